#pragma once
#include "dialogs/listframe.h"

// The origins ("始发地资料", table M05) with their telephone numbers.
class A05 : public ListFrame {
    Q_OBJECT
public:
    explicit A05(QWidget* parent = nullptr);

protected:
    QString duplicateMessage(const QString& typedKey) const override;
};
