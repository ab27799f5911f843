// Names in folders on Windows. A listing has "." and ".." as POSIX's has,
// also where the system gives none (the root of a drive); a name the ANSI
// code page cannot spell is listed by its short alias, which it can.
#include "platform/folders.hpp"

#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
// After windows.h.
#include <shlobj.h>

#include <cerrno>

#include "platform/path_names.hpp"
#include "platform/win32/file_handles.hpp"
#include "platform/win32/system_errors.hpp"
#include "platform/win32/text.hpp"

namespace zrv::platform {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A symbolic link or a junction (other reparse points are what they hold).
bool is_link(const std::wstring& name) {
  FileStatus st;
  return win32::path_status(name, false, &st) && st.is_link;
}

// "\\?\C:\x" as "C:\x", "\\?\UNC\host\share" as "\\host\share".
std::wstring without_long_prefix(std::wstring path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\" + path.substr(7);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

}  // namespace

bool folder_make(const char* path, uint32_t mode) {
  // Permission bits have no place on Windows: the folder takes the access
  // of the folder it is made in.
  (void)mode;
  return ::CreateDirectoryW(win32::wide_text(path).c_str(), nullptr) ||
         win32::fail_with_last_error();
}

bool folder_remove(const char* path) {
  const std::wstring name = win32::wide_text(path);
  // RemoveDirectoryW would take a link to a folder too; rmdir does not.
  if (is_link(name)) {
    errno = ENOTDIR;
    return false;
  }
  return ::RemoveDirectoryW(name.c_str()) || win32::fail_with_last_error();
}

bool file_remove(const char* path) {
  const std::wstring name = win32::wide_text(path);
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return win32::fail_with_last_error();
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    // A link to a folder is removed as a folder; what it leads to stays.
    if (is_link(name)) return ::RemoveDirectoryW(name.c_str()) || win32::fail_with_last_error();
    errno = EISDIR;
    return false;
  }
  if (::DeleteFileW(name.c_str())) return true;
  // The read-only attribute is the file's own mode, which does not keep a
  // name from going on POSIX.
  if (::GetLastError() == ERROR_ACCESS_DENIED && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
      ::SetFileAttributesW(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    if (::DeleteFileW(name.c_str())) return true;
    const DWORD error = ::GetLastError();
    ::SetFileAttributesW(name.c_str(), attributes);
    errno = win32::errno_of(error);
    return false;
  }
  return win32::fail_with_last_error();
}

bool folder_opens(const char* path) {
  HANDLE h = ::CreateFileW(win32::wide_text(path).c_str(), FILE_LIST_DIRECTORY, kShareAll, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return win32::fail_with_last_error();
  BY_HANDLE_FILE_INFORMATION info;
  const bool folder = ::GetFileInformationByHandle(h, &info) &&
                      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  ::CloseHandle(h);
  if (!folder) errno = ENOTDIR;
  return folder;
}

bool permissions_set(const char* path, uint32_t mode) {
  // Of the bits Windows keeps only whether the owner may write.
  const int bits = (mode & 0200) != 0 ? _S_IREAD | _S_IWRITE : _S_IREAD;
  return ::_wchmod(win32::wide_text(path).c_str(), bits) == 0;
}

bool real_path(const char* path, std::string* resolved) {
  HANDLE h = ::CreateFileW(win32::wide_text(path).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return win32::fail_with_last_error();
  std::wstring final_name(MAX_PATH, L'\0');
  DWORD n = ::GetFinalPathNameByHandleW(h, final_name.data(), MAX_PATH, FILE_NAME_NORMALIZED);
  if (n >= MAX_PATH) {
    final_name.resize(n);
    n = ::GetFinalPathNameByHandleW(h, final_name.data(), n, FILE_NAME_NORMALIZED);
  }
  ::CloseHandle(h);
  if (n == 0 || n >= final_name.size()) {
    // A file system that cannot name the file from its handle: the full
    // name of the path as given (it exists, the open said so).
    n = ::GetFullPathNameW(win32::wide_text(path).c_str(), MAX_PATH, final_name.data(), nullptr);
    if (n == 0 || n >= MAX_PATH) return win32::fail_with_last_error();
  }
  final_name.resize(n);
  *resolved = win32::narrow_path(without_long_prefix(final_name));
  return true;
}

bool folder_list(const char* path, std::vector<FolderEntry>* entries) {
  entries->clear();
  const std::wstring folder = win32::wide_text(path);
  if (folder.empty()) {
    errno = ENOENT;
    return false;
  }
  const wchar_t last = folder.back();
  const std::wstring prefix =
      folder + (last == L'\\' || last == L'/' || last == L':' ? L"" : L"\\");
  WIN32_FIND_DATAW found;
  HANDLE find = ::FindFirstFileW((prefix + L"*").c_str(), &found);
  bool dot = false, dot_dot = false;
  if (find == INVALID_HANDLE_VALUE) {
    // Nothing matched at all: an empty root folder.
    const DWORD error = ::GetLastError();
    const DWORD attributes = ::GetFileAttributesW(folder.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (error != ERROR_FILE_NOT_FOUND || !exists || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      errno = win32::errno_of(error == ERROR_FILE_NOT_FOUND && exists ? ERROR_DIRECTORY : error);
      return false;
    }
  } else {
    do {
      const std::wstring wide_name = found.cFileName;
      bool exact = true;
      std::string name = win32::narrow_text(wide_name, &exact);
      if (!exact && found.cAlternateFileName[0] != L'\0') {
        name = win32::narrow_text(found.cAlternateFileName, wcslen(found.cAlternateFileName));
      }
      bool is_folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        // A link counts as what it leads to (nothing, when it leads nowhere).
        FileStatus target;
        is_folder = win32::path_status(prefix + wide_name, true, &target) && target.is_folder;
      }
      dot = dot || name == ".";
      dot_dot = dot_dot || name == "..";
      entries->push_back(FolderEntry{std::move(name), is_folder});
    } while (::FindNextFileW(find, &found));
    const DWORD error = ::GetLastError();
    ::FindClose(find);
    if (error != ERROR_NO_MORE_FILES) {
      entries->clear();
      errno = win32::errno_of(error);
      return false;
    }
  }
  if (!dot_dot) entries->insert(entries->begin(), FolderEntry{"..", true});
  if (!dot) entries->insert(entries->begin(), FolderEntry{".", true});
  return true;
}

std::string user_data_folder() { return win32::shell_folder(CSIDL_LOCAL_APPDATA); }

std::string win32::shell_folder(int csidl) {
  wchar_t path[MAX_PATH];
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return std::string();
  }
  return without_final_slash(win32::narrow_path(path), 3);
}

}  // namespace zrv::platform
