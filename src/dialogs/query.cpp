#include "dialogs/query.h"

#include "platform/command_guard.h"
#include "platform/date_picker.h"
#include "platform/flexgrid.h"
#include "platform/mainhost.h"
#include "data/queries.h"
#include "data/sqltext.h"
#include "platform/vb.h"

#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kHint = QStringLiteral("Enter->增加条件   Ctrl+Enter->开始查找   Esc->取消");

bool isEnter(const QKeyEvent* ke) { return ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter; }

void setPanel4(const QString& text)
{
    if (MainHost* host = GetMainHost())
        host->setPanelText(4, text);
}

} // namespace

Query::Query(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("Query");
    setWindowTitle("查找条件");
    setModal(true);

    GD = new FlexGrid(this);
    GD->setObjectName("GD");
    GD->hide(); // the field table is data for the dialog, not something to look at

    CmbLG = new QComboBox(this);
    CmbLG->setObjectName("CmbLG");
    CmbF = new QComboBox(this);
    CmbF->setObjectName("CmbF");
    CmbGX = new QComboBox(this);
    CmbGX->setObjectName("CmbGX");
    Txt = new QLineEdit(this);
    Txt->setObjectName("Txt");
    DTP = new DatePicker(this);
    DTP->setObjectName("DTP");
    DTP->hide();

    CPT = new QLabel(QString(24, ' ') + "项目" + QString(14, ' ') + "关系" + QString(16, ' ') + "值", this);
    CPT->setObjectName("CPT");
    Lst = new QListWidget(this);
    Lst->setObjectName("Lst");
    LstSql = new QListWidget(this);
    LstSql->setObjectName("LstSql");
    LstSql->hide();
    // The display lines line up by blanks: a font in which a Chinese
    // character is exactly two blanks wide (a Latin-only fixed font would
    // draw the Chinese from a proportional fallback).
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setFamilies({QStringLiteral("Noto Sans Mono CJK SC"), QStringLiteral("WenQuanYi Zen Hei Mono"), mono.family()});
    CPT->setFont(mono);
    Lst->setFont(mono);

    CmdAdd = new QPushButton("增 加", this);
    CmdAdd->setObjectName("CmdAdd");
    CmdRemove = new QPushButton("删 除", this);
    CmdRemove->setObjectName("CmdRemove");
    CmdQuery = new QPushButton("查 找", this);
    CmdQuery->setObjectName("CmdQuery");
    CmdCancel = new QPushButton("取 消", this);
    CmdCancel->setObjectName("CmdCancel");

    // The heading's words stand over the controls they name: 项目 (column 24
    // of the heading) over the field list, 关系 (42) over the relation, 值 (62)
    // over the value. The connector list keeps its place while it is hidden.
    const int blank = QFontMetrics(mono).horizontalAdvance(' ');
    constexpr int kGap = 6;
    CPT->setContentsMargins(0, 0, 0, 0);
    CPT->setIndent(0);
    CmbLG->setFixedWidth(24 * blank - kGap);
    CmbF->setFixedWidth(18 * blank - kGap);
    CmbGX->setFixedWidth(20 * blank - kGap);
    QSizePolicy keepPlace = CmbLG->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    CmbLG->setSizePolicy(keepPlace);

    auto* condRow = new QHBoxLayout;
    condRow->setSpacing(kGap);
    condRow->addWidget(CmbLG);
    condRow->addWidget(CmbF);
    condRow->addWidget(CmbGX);
    condRow->addWidget(Txt, 1);
    condRow->addWidget(DTP, 1);
    condRow->addWidget(CmdAdd);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(CmdRemove);
    buttons->addStretch();
    buttons->addWidget(CmdQuery);
    buttons->addWidget(CmdCancel);

    auto* listRow = new QHBoxLayout;
    listRow->addWidget(Lst, 1);
    listRow->addLayout(buttons);

    auto* top = new QVBoxLayout(this);
    top->addLayout(condRow);
    top->addWidget(CPT);
    top->addLayout(listRow, 1);
    top->addWidget(GD);
    top->addWidget(LstSql);
    resize(620, 330);

    // Enter in a value control moves on to "增 加", where Enter adds the
    // condition (the date picker has no Enter of its own that adds).
    const QList<QWidget*> tabOrder{CmbLG, CmbF, CmbGX, Txt, DTP, CmdAdd, Lst, CmdRemove, CmdQuery, CmdCancel};
    for (int i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);

    ConnectGuarded(CmbF, &QComboBox::currentIndexChanged, this, [this](int i) { fieldChosen(i); });
    ConnectGuarded(CmdAdd, &QPushButton::clicked, this, [this] { addCondition(); });
    ConnectGuarded(CmdRemove, &QPushButton::clicked, this, [this] { removeCondition(); });
    ConnectGuarded(CmdQuery, &QPushButton::clicked, this, [this] { runQuery(); });
    ConnectGuarded(CmdCancel, &QPushButton::clicked, this, [this] { cancel(); });

    // The dialog sees the keys before its controls do.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    resetForm();
}

Query& Query::shared()
{
    static QPointer<Query> instance;
    if (!instance) {
        MainHost* host = GetMainHost();
        instance = new Query(host ? host->hostWidget() : nullptr);
    }
    return *instance;
}

void Query::addField(const QString& caption, const QString& qualifiedField, FieldType type, Stored stored)
{
    if (stored == Stored::Sanitised)
        m_sanitised << qualifiedField;
    const int r = CmbF->count();
    if (GD->rows() < r + 1)
        GD->setRows(r + 1);
    GD->setTextMatrix(r, 0, caption);
    GD->setTextMatrix(r, 1, qualifiedField);
    GD->setTextMatrix(r, 2, QString::number(int(type)));
    CmbF->addItem(caption);
}

void Query::resetForm()
{
    GD->setFixedRows(0);
    GD->setFixedCols(0);
    GD->setCols(3);
    GD->setRows(0);
    {
        QSignalBlocker block(CmbF);
        CmbF->clear();
    }
    m_sanitised.clear();
    CmbGX->clear();
    Lst->clear();
    LstSql->clear();
    Txt->clear();
    Txt->show();
    DTP->hide();

    CmbLG->clear();
    for (const char* word : {"并且", "或者", "排除"})
        CmbLG->addItem(LangStr(QString::fromUtf8(word)));
    CmbLG->setCurrentIndex(0);
    CmbLG->hide();
    LangForm(this);
}

int Query::fieldType(int index) const
{
    if (index < 0 || index >= GD->rows())
        return 0;
    return int(Val(GD->textMatrix(index, 2)));
}

void Query::fieldChosen(int index)
{
    if (index < 0)
        return;
    const int type = fieldType(index);
    CmbGX->clear();
    if (type == TextField) {
        CmbGX->addItem(LangStr("等于(=)"));
        CmbGX->addItem(LangStr("包含(like)"));
    } else {
        CmbGX->addItem(LangStr("大于(>)"));
        CmbGX->addItem(LangStr("小于(<)"));
        CmbGX->addItem(LangStr("等于(=)"));
    }
    if (type == DateField) {
        Txt->hide();
        DTP->show();
        DTP->setDate(QDate::currentDate());
    } else {
        DTP->hide();
        Txt->show();
    }
    CmbGX->setCurrentIndex(0);
}

void Query::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The caller's selection may have been made while the captions were
    // being added; the relations follow the field that is selected now.
    if (!event->spontaneous())
        fieldChosen(CmbF->currentIndex());
}

void Query::addCondition()
{
    const int index = CmbF->currentIndex();
    if (index < 0)
        return;
    const QString caption = CmbF->currentText();
    const QString relation = CmbGX->currentText();
    const QString field = GD->textMatrix(index, 1);
    const int type = fieldType(index);

    QString prefix;
    QString connector;
    const bool first = CmbLG->isHidden();
    if (!first) {
        if (CmbLG->currentIndex() < 0)
            CmbLG->setCurrentIndex(0);
        prefix = CmbLG->currentText() + QString(4, ' ');
        const QString word = CmbLG->currentText().trimmed();
        if (word == LangStr("并且"))
            connector = " And ";
        else if (word == LangStr("或者"))
            connector = " Or ";
        else if (word == LangStr("排除"))
            connector = " AND Not ";
    } else {
        prefix = QString(8, ' ');
        connector = " Where ";
    }

    // Every relation is two characters, "(", the operator and ")".
    const QString op = ' ' + relation.mid(3, relation.size() - 4) + ' ';

    QString display = prefix + caption + "  " + relation.left(2) + "  ";
    QString sql = connector;
    if (type == DateField)
        sql += "datediff('d',";
    else if (type == NumberField)
        sql += field + op;

    QString value;
    if (!Txt->isHidden())
        value = type == NumberField ? CStr(Val(Txt->text())) : Txt->text();
    else
        value = DateText(DTP->date());

    display += "   " + value;

    if (type == DateField)
        sql += "'" + value + "'," + field + " )" + op + "0 ";
    else if (type == NumberField)
        sql += SqlNum(Val(Txt->text())); // every digit typed, not the 15 shown
    else
        sql += textCondition(field, op, value);

    Lst->addItem(display);
    LstSql->addItem(sql);

    if (first) {
        CmbLG->show();
        CmbLG->setCurrentIndex(0);
    }
}

QString Query::textCondition(const QString& field, const QString& op, const QString& value) const
{
    const auto literal = [&op](const QString& v) {
        return op == " like " ? "'*" + SqlEscape(v) + "*'" : "'" + SqlEscape(v) + "'";
    };
    if (!value.contains('\'') || !m_sanitised.contains(field))
        return field + op + literal(value) + "  ";
    // Names are stored with "’" for "'": an "O'Brien" typed finds the stored
    // O’Brien, and a row written otherwise still finds itself. Two terms on
    // the one column keep its index serving "=".
    QString curly = value;
    curly.replace('\'', QChar(0x2019));
    return "(" + field + op + literal(value) + " Or " + field + op + literal(curly) + ")  ";
}

void Query::removeCondition()
{
    const int k = Lst->currentRow();
    if (k < 0 || !Lst->item(k)->isSelected())
        return;
    delete LstSql->takeItem(k);
    delete Lst->takeItem(k);
    if (Lst->count() == 0) {
        CmbLG->hide();
        return;
    }
    Lst->setCurrentRow(Lst->count() - 1);

    QListWidgetItem* firstLine = Lst->item(0);
    if (firstLine->text().startsWith("  "))
        return;
    // The first condition went: its successor loses its connector and
    // becomes the one that opens the WHERE clause.
    firstLine->setText("  " + firstLine->text().mid(2));
    QListWidgetItem* firstSql = LstSql->item(0);
    QString sql = firstSql->text();
    if (sql.startsWith(" And ") || sql.startsWith(" AND "))
        sql = sql.mid(5); // of " AND Not " the "Not " stays
    else if (sql.startsWith(" Or "))
        sql = sql.mid(4);
    firstSql->setText(" Where " + sql);
}

QString Query::statement() const
{
    QString s = SqlHeadstr;
    for (int i = 0; i < LstSql->count(); ++i)
        s += LstSql->item(i)->text();
    return s;
}

void Query::runQuery()
{
    if (loader)
        *loader = statement();
    done(Accepted);
}

void Query::cancel()
{
    if (loader)
        *loader = QString();
    done(Rejected);
}

// The close box: nothing is written, the caller keeps the "" it set.
void Query::reject()
{
    done(Rejected);
}

void Query::done(int result)
{
    setPanel4(QString());
    QDialog::done(result);
    resetForm();
}

bool Query::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == CmbF)
            setPanel4(kHint);
        else if (watched == Txt && !Txt->text().isEmpty())
            QTimer::singleShot(0, Txt, &QLineEdit::selectAll); // after the click has placed the cursor
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* ke = static_cast<QKeyEvent*>(event);
    QWidget* w = qobject_cast<QWidget*>(watched);
    // An open drop-down or calendar keeps its own Enter and Esc.
    if (w && w->window() != this)
        return false;
    if (isEnter(ke) && (ke->modifiers() & Qt::ControlModifier)) {
        RunInBoundary(QString::fromUtf8(kCommandFailure), [this] { runQuery(); });
        return true;
    }
    if (ke->key() == Qt::Key_Escape) {
        cancel();
        return true;
    }
    if (!isEnter(ke))
        return false;

    auto within = [w](QWidget* control) { return w && (w == control || control->isAncestorOf(w)); };
    if (within(Txt)) {
        addCondition();
        return true;
    }
    if (within(Lst)) {
        CmbF->setFocus();
        return true;
    }
    if (within(CmbF) || within(CmbGX) || within(CmbLG) || within(DTP)) {
        focusNextChild();
        return true;
    }
    return false;
}
