#include "customers/a05.h"

A05::A05(QWidget* parent)
    : ListFrame("A05", parent)
{
    setWindowTitle("始发地资料");
    setTable("M05");
    setListSql("select * from M05 order by F1");
    setSearchHead("Select M05.* from M05 ");
    setTabCaptions("始发地列表", "始发地资料");
    setWidthTwips(4500);
    addField({.header = "始发地名称", .label = "始发地名称", .column = "F1", .maxLength = 4, .required = true,
              .labRect = {270, 915, 1125, 255}, .txtRect = {1500, 855, 2085, 330}});
    addField({.header = "始发地电话", .label = "始发地电话", .column = "F2", .maxLength = 49, .required = true,
              .labRect = {270, 1725, 1125, 255}, .txtRect = {1500, 1665, 2085, 330}});
    // Waybills name their origin.
    addReference({"B01", "F201"});
}

QString A05::duplicateMessage(const QString& typedKey) const
{
    return typedKey + "已经存在!";
}
