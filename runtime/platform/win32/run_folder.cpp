// The run's private folder on Windows, by the rules of POSIX's: each user
// gets one folder in the temporary folder, "zorvane-<user name>", private
// and of the user's own; each run a fresh private folder inside it,
// "<program>-<pid>-XXXXXX"; files in it are made new. Where the temporary
// folder is the user's own (as it is by default) this guards against
// little; TMP may name a folder that all users share.
//
// "<program>.log" beside the runs' folders is a symbolic link to the newest
// run's log only where the user may make links (Developer Mode, or the
// right to); elsewhere there is none, rather than one that leads to an
// earlier run's log.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.hpp"
#include "platform/run_folder_parts.hpp"
#include "platform/win32/security.hpp"
#include "platform/win32/text.hpp"

#ifndef SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
#define SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE 0x2
#endif

namespace zrv::platform {

namespace {

std::string user_tag() {
  wchar_t name[257];
  DWORD size = 257;
  if (!::GetUserNameW(name, &size) || size == 0) return plain_name("", "user");
  return plain_name(win32::narrow_text(name, size - 1), "user");
}

bool is_plain_folder(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (a & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

bool process_running(DWORD pid) {
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
  // No such process; a process that is not ours to open still runs.
  if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
}

// Removes the folders of this program's earlier runs whose process is gone
// (their log has been kept until now, for the run after them to replace).
void remove_ended_runs(const std::wstring& user_folder, const std::string& tag) {
  const std::string prefix = tag + "-";
  WIN32_FIND_DATAW found;
  HANDLE find =
      ::FindFirstFileW((user_folder + L"\\" + win32::wide_text(prefix) + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const DWORD a = found.dwFileAttributes;
    if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0 || (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0) continue;
    const std::string name = win32::narrow_text(found.cFileName, wcslen(found.cFileName));
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    char* end = nullptr;
    const unsigned long pid = std::strtoul(name.c_str() + prefix.size(), &end, 10);
    if (pid == 0 || end == nullptr || *end != '-' || std::strlen(end) != 7) continue;
    if (pid == ::GetCurrentProcessId() || process_running(pid)) continue;
    const std::wstring run = user_folder + L"\\" + found.cFileName;
    WIN32_FIND_DATAW file;
    HANDLE files = ::FindFirstFileW((run + L"\\*").c_str(), &file);
    if (files != INVALID_HANDLE_VALUE) {
      do {
        if ((file.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          ::DeleteFileW((run + L"\\" + file.cFileName).c_str());
        }
      } while (::FindNextFileW(files, &file));
      ::FindClose(files);
    }
    ::RemoveDirectoryW(run.c_str());
  } while (::FindNextFileW(find, &found));
  ::FindClose(find);
}

// "XXXXXX" in the name made unique: a new private folder, or "".
std::string make_unique_folder(const std::string& pattern) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  uint64_t state = run_seed() | (static_cast<uint64_t>(::GetTickCount()) << 32);
  std::string name = pattern;
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (size_t i = name.size() - 6; i < name.size(); ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      name[i] = kLetters[(state >> 33) % (sizeof kLetters - 1)];
    }
    if (win32::private_folder_make(win32::wide_text(name))) return name;
    if (errno != EEXIST) return std::string();
  }
  return std::string();
}

void log_link(const std::string& user, const std::string& tag, const std::string& run) {
  const std::wstring target = win32::wide_text(run.substr(user.size() + 1) + "\\ErrorLog.txt");
  const std::wstring link = win32::wide_text(user + "/" + tag + ".log");
  const std::wstring fresh = link + L"." + std::to_wstring(::GetCurrentProcessId());
  ::DeleteFileW(fresh.c_str());
  if (::CreateSymbolicLinkW(fresh.c_str(), target.c_str(),
                            SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) ||
      // A system before the flag: a link for those with the right only.
      (::GetLastError() == ERROR_INVALID_PARAMETER &&
       ::CreateSymbolicLinkW(fresh.c_str(), target.c_str(), 0))) {
    if (!::MoveFileExW(fresh.c_str(), link.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      ::DeleteFileW(fresh.c_str());
    }
    return;
  }
  ::DeleteFileW(link.c_str());
}

}  // namespace

std::string run_folder_make() {
  const std::string tag = program_tag();
  const std::string temp = temp_directory();
  const std::string user = temp + (temp.back() == '/' ? "" : "/") + "zorvane-" + user_tag();
  const std::string run_name = tag + "-" + std::to_string(::GetCurrentProcessId()) + "-XXXXXX";
  const std::wstring user_wide = win32::wide_text(user);
  const bool tidy = win32::private_folder_make(user_wide) || win32::private_folder_claim(user_wide);
  if (tidy) remove_ended_runs(user_wide, tag);
  // Someone else holds the user's folder name: a run folder of its own in
  // the temporary folder is just as private, only not kept tidy.
  const std::string run = make_unique_folder(tidy ? user + "/" + run_name : user + "-" + run_name);
  if (!run.empty() && tidy) log_link(user, tag, run);
  return run;
}

bool run_folder_present(const std::string& folder) {
  return is_plain_folder(win32::wide_text(folder));
}

int file_create_new(const std::string& path) {
  return win32::private_file_make(win32::wide_text(path));
}

}  // namespace zrv::platform
