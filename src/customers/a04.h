#pragma once
#include "dialogs/listframe.h"

// The field staff ("外务员资料", table M04): the names the waybills' field-staff
// list offers.
class A04 : public ListFrame {
    Q_OBJECT
public:
    explicit A04(QWidget* parent = nullptr);
};
