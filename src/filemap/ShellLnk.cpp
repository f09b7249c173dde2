#include "filemap/ShellLnk.h"

void TPBShellLink::ReadLink() { static_cast<ShellLinkProps&>(*this) = store_.Load(FileName); }

void TPBShellLink::WriteLink() { store_.Save(FileName, *this); }
