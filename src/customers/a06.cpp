#include "customers/a06.h"

A06::A06(QWidget* parent)
    : ListFrame("A06", parent)
{
    setWindowTitle("速递事故原因设置");
    setTable("M06");
    setListSql("select * from M06 order by F1");
    setSearchHead("Select M06.* from M06 ");
    setTabCaptions("事故原因列表", "事故原因资料");
    setWidthTwips(5600);
    addField({.header = "事故原因", .label = "事故原因", .column = "F1", .maxLength = 50, .required = true,
              .labRect = {270, 915, 900, 255}, .txtRect = {1500, 855, 3405, 330}});
    addField({.header = "备注信息", .label = "备注信息", .column = "F2", .maxLength = 49,
              .labRect = {270, 1725, 900, 255}, .txtRect = {1500, 1665, 3405, 330}});
    // Waybills name their incident reason.
    addReference({"B01", "F702"});
}

QString A06::duplicateMessage(const QString& typedKey) const
{
    return typedKey + "已经存在!";
}
