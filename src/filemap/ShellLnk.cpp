#include "filemap/ShellLnk.h"

void ShellLinkFile::ReadLink() { static_cast<ShellLinkProps&>(*this) = store_.Load(FileName); }

void ShellLinkFile::WriteLink() { store_.Save(FileName, *this); }
