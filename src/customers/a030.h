#pragma once
#include "dialogs/listframe.h"

// The salesmen ("业务员资料", table M030): the names the customers' salesman
// list offers.
class A030 : public ListFrame {
    Q_OBJECT
public:
    explicit A030(QWidget* parent = nullptr);
};
