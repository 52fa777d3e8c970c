#pragma once
#include <QString>

class QComboBox;
class QLineEdit;

// Lists of master records. An item reads "code.name" (or the bare name in the
// short reference lists); the code is the text before its first "."
// (CodeOf in data/queries.h).

// Clears the list and fills it from a statement read to its end: with
// withName each item is trimmed field 0, "." and trimmed field 1 (Null as
// ""), otherwise trimmed field 0 alone. Throws DbError when the statement is
// refused.
void FillCodeList(QComboBox* list, const QString& sql, bool withName = true);

// The stored code of a list's text, written into its box and returned; an
// empty list gives "".
QString CopyComboCode(QComboBox* list, QLineEdit* box);

// The same, but an empty list is refused with "请输入" + caption + "!" and the
// box is left as it was; the empty result tells the caller to stop.
QString CopyComboCodeRequired(QComboBox* list, QLineEdit* box, const QString& caption);
