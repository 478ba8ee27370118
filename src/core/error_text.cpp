#include "core/error_text.h"

#include <cerrno>
#include <cstring>

namespace tilvane {

Text ErrorText(int error) {
  switch (error) {
    case EACCES:
    case EPERM: return "没有权限";
    case EROFS: return "只读文件系统";
    case ENOSPC: return "磁盘空间不足";
#ifdef EDQUOT
    case EDQUOT: return "超出磁盘配额";
#endif
    // Saving creates the file, so a missing name always means a missing folder.
    case ENOENT:
    case ENOTDIR: return "文件夹不存在";
    case ENAMETOOLONG: return "文件名太长";
    case EISDIR: return "这是一个文件夹";
    case EFBIG: return "文件太大";
    default: return std::strerror(error);
  }
}

}  // namespace tilvane
