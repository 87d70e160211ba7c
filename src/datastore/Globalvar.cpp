#include "datastore/Globalvar.h"

namespace brel {

UserRecord CurrentUser;
QString AppDir;
QString WorkingFile;
SysOptionsRecord SysOptions;

void ClearGlobals()
{
    CurrentUser = UserRecord();
    AppDir.clear();
    WorkingFile.clear();
    SysOptions = SysOptionsRecord();
}

} // namespace brel
