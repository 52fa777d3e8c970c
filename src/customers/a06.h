#pragma once
#include "dialogs/listframe.h"

// The incident reasons ("速递事故原因设置", table M06).
class A06 : public ListFrame {
    Q_OBJECT
public:
    explicit A06(QWidget* parent = nullptr);

protected:
    QString duplicateMessage(const QString& typedKey) const override;
};
