#pragma once

#include <QString>
#include <array>

namespace brel {

/// One rights group of the logged-in user (TbRes row).
struct ResRecord {
    QString ZYMC; ///< group name: "房屋出租", "房屋出售", "求租求购"
    bool LLQX = false; ///< browse
    bool XZQX = false; ///< add
    bool XGQX = false; ///< modify
    bool SCQX = false; ///< delete
    bool DYQX = false; ///< print
    bool DHQX = false; ///< see telephone and address
    bool GLQX = false; ///< manage the records of others
};

struct UserRecord {
    int Id = 0;        ///< 1 = administrator, 0 before the first login
    QString YHXM;      ///< login name
    QString YHMM;      ///< password as typed
    QString SSFD;      ///< branch
    /// Res[1..3]; Res[0] is unused so group numbers index directly.
    std::array<ResRecord, 4> Res;
};

struct SysOptionsRecord {
    bool ZDSJH = false; ///< automatic receipt numbers
    bool XSLJ = false;  ///< show the working file in the caption
    bool CZRZ = false;  ///< keep the operation log
};

extern UserRecord CurrentUser;
/// Folder of the program file, without a trailing separator.
extern QString AppDir;
extern QString WorkingFile;
extern SysOptionsRecord SysOptions;

/// Clears the text globals at program end.
void ClearGlobals();

} // namespace brel
