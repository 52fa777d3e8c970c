#include "customers/a04.h"

A04::A04(QWidget* parent)
    : ListFrame("A04", parent)
{
    setWindowTitle("外务员资料");
    setTable("M04");
    setListSql("select * from M04 order by F1");
    setSearchHead("Select M04.* from M04 ");
    setTabCaptions("外务员列表", "外务员资料");
    setWidthTwips(4500);
    addField({.header = "姓名", .label = "姓 名", .column = "F1", .maxLength = 4, .required = true,
              .labRect = {630, 915, 510, 255}, .txtRect = {1260, 855, 2085, 330}});
    addField({.header = "备注", .label = "备 注", .column = "F2", .maxLength = 49,
              .labRect = {630, 1725, 510, 255}, .txtRect = {1260, 1665, 2085, 810}});
    setDuplicateMessage("系统中已经有其它外务员使用了这个姓名，请重新设置!");
    // Waybills name their field-staff member.
    addReference({"B01", "F602"});
}
