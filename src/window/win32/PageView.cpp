#include "window/win32/PageView.h"

void PageView::Text(int id, const std::string& s) const { SetTextIfChanged(Control(id), s); }
