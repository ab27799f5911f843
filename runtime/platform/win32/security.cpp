// Access lists on Windows for private folders and files and for a file
// that replaces another.
#include "platform/win32/security.hpp"

#define WIN32_LEAN_AND_MEAN
#include <aclapi.h>
#include <sddl.h>
#include <windows.h>

#include <cerrno>
#include <memory>

#include "platform/win32/file_handles.hpp"
#include "platform/win32/system_errors.hpp"

namespace zrv::platform::win32 {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// One item of the process's token (TokenUser, TokenOwner).
std::unique_ptr<char[]> token_item(TOKEN_INFORMATION_CLASS item) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  ::GetTokenInformation(token, item, nullptr, 0, &size);
  std::unique_ptr<char[]> data(size > 0 ? new char[size] : nullptr);
  if (data && !::GetTokenInformation(token, item, data.get(), size, &size)) data.reset();
  ::CloseHandle(token);
  return data;
}

// The user running the program.
PSID user_sid(const std::unique_ptr<char[]>& user) {
  return user ? reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid : nullptr;
}

// A protected list giving the user full control; inherit: of what is made
// inside too. LocalFree it.
PSECURITY_DESCRIPTOR private_descriptor(bool inherit) {
  const std::unique_ptr<char[]> user = token_item(TokenUser);
  LPWSTR sid = nullptr;
  if (user_sid(user) == nullptr || !::ConvertSidToStringSidW(user_sid(user), &sid)) return nullptr;
  const std::wstring text =
      std::wstring(inherit ? L"D:P(A;OICI;FA;;;" : L"D:P(A;;FA;;;") + sid + L")";
  ::LocalFree(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
    return nullptr;
  }
  return descriptor;
}

// The owner is the user, or the owner the token gives what it makes (the
// administrators of an elevated run).
bool owned_by_user(PSID owner) {
  const std::unique_ptr<char[]> user = token_item(TokenUser);
  const std::unique_ptr<char[]> maker = token_item(TokenOwner);
  const PSID made_by = maker ? reinterpret_cast<TOKEN_OWNER*>(maker.get())->Owner : nullptr;
  return owner != nullptr && ((user_sid(user) != nullptr && ::EqualSid(owner, user_sid(user))) ||
                              (made_by != nullptr && ::EqualSid(owner, made_by)));
}

}  // namespace

bool private_folder_make(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = private_descriptor(true);
  if (descriptor == nullptr) return fail_with_last_error();
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  const bool made = ::CreateDirectoryW(path.c_str(), &attributes);
  const DWORD error = ::GetLastError();
  ::LocalFree(descriptor);
  if (!made) errno = errno_of(error);
  return made;
}

bool private_folder_claim(const std::wstring& path) {
  // The name itself: a link would lead elsewhere.
  HANDLE h = ::CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | FILE_READ_ATTRIBUTES, kShareAll,
                           nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return fail_with_last_error();
  BY_HANDLE_FILE_INFORMATION info;
  bool ok = ::GetFileInformationByHandle(h, &info) &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
            (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR current = nullptr;
  ok = ok &&
       ::GetSecurityInfo(h, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                         nullptr, &current) == ERROR_SUCCESS &&
       owned_by_user(owner);
  if (current != nullptr) ::LocalFree(current);
  if (ok) {
    PSECURITY_DESCRIPTOR mine = private_descriptor(true);
    BOOL present = FALSE, defaulted = FALSE;
    PACL list = nullptr;
    ok = mine != nullptr && ::GetSecurityDescriptorDacl(mine, &present, &list, &defaulted) &&
         ::SetSecurityInfo(h, SE_FILE_OBJECT,
                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                           nullptr, list, nullptr) == ERROR_SUCCESS;
    if (mine != nullptr) ::LocalFree(mine);
  }
  ::CloseHandle(h);
  if (!ok) errno = EACCES;
  return ok;
}

int private_file_make(const std::wstring& path) {
  PSECURITY_DESCRIPTOR descriptor = private_descriptor(false);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  // Without the user's identity the file takes the folder's access.
  HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                           descriptor != nullptr ? &attributes : nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = ::GetLastError();
  if (descriptor != nullptr) ::LocalFree(descriptor);
  if (h == INVALID_HANDLE_VALUE) {
    errno = errno_of(error);
    return -1;
  }
  return descriptor_of(h);
}

void access_copy(const std::wstring& from, const std::wstring& to) {
  PACL list = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(from.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &list, nullptr, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  // A list of its own stays its own; otherwise the entries inherited come
  // from the folder again, and the file's own entries are kept.
  const bool own = ::GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                   (control & SE_DACL_PROTECTED) != 0;
  std::wstring target = to;
  ::SetNamedSecurityInfoW(target.data(), SE_FILE_OBJECT,
                          DACL_SECURITY_INFORMATION | (own ? PROTECTED_DACL_SECURITY_INFORMATION
                                                           : UNPROTECTED_DACL_SECURITY_INFORMATION),
                          nullptr, nullptr, list, nullptr);
  ::LocalFree(descriptor);
}

}  // namespace zrv::platform::win32
