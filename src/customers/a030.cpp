#include "customers/a030.h"

A030::A030(QWidget* parent)
    : ListFrame("A030", parent)
{
    setWindowTitle("业务员资料");
    setTable("M030");
    setListSql("select * from M030 order by F1");
    setSearchHead("Select M030.* from M030 ");
    setTabCaptions("业务员列表", "业务员资料");
    setWidthTwips(4500);
    addField({.header = "姓名", .label = "姓 名", .column = "F1", .maxLength = 20, .required = true,
              .labRect = {630, 915, 510, 255}, .txtRect = {1260, 855, 2085, 330}});
    addField({.header = "备注", .label = "备 注", .column = "F2", .maxLength = 49,
              .labRect = {630, 1725, 510, 255}, .txtRect = {1260, 1665, 2085, 810}});
    setDuplicateMessage("系统中已经有其它业务员使用了这个姓名，请重新设置!");
    // Customers name their salesman. Removing a salesman in use leaves the
    // customers in place with no salesman rather than deleting them.
    addReference({"M03", "F8", true});
}
