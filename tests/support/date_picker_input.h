#pragma once

class QDateEdit;

// A left click on a section of a date picker (0 the first shown), in the
// middle of its digits, the focus taken first as the platform does.
void ClickDateSection(QDateEdit* picker, int section);
