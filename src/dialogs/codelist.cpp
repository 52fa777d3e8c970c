#include "dialogs/codelist.h"

#include "data/database.h"
#include "data/globals.h"
#include "data/queries.h"
#include "platform/msgbox.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QLineEdit>

void FillCodeList(QComboBox* list, const QString& sql, bool withName)
{
    const RecordSet rs = Db().openRecordset(sql);
    QStringList items;
    items.reserve(rs.recordCount());
    for (int r = 0; r < rs.recordCount(); ++r) {
        QString item = TrimBlanks(rs.at(r, 0).toString());
        if (withName)
            item += QLatin1Char('.') + (rs.fieldCount() > 1 ? TrimBlanks(rs.at(r, 1).toString()) : QString());
        items << item;
    }
    list->clear();
    list->addItems(items);
}

QString CopyComboCode(QComboBox* list, QLineEdit* box)
{
    const QString code = CodeOf(list->currentText());
    box->setText(code);
    return code;
}

QString CopyComboCodeRequired(QComboBox* list, QLineEdit* box, const QString& caption)
{
    const QString text = TrimBlanks(list->currentText());
    if (text.isEmpty()) {
        MsgBox(LangStr("请输入") + caption + "!", vbStyle::Information, gMsgTitle);
        return QString();
    }
    const QString code = CodeOf(text);
    box->setText(code);
    return code;
}
