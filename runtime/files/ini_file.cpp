// INI parsing, lookup, change and write-back.
#include "files/ini_file.hpp"

#include <cstdio>
#include <cstring>

#include "base/context.hpp"
#include "files/file_bytes.hpp"
#include "files/file_replace.hpp"
#include "files/line_files.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"

namespace zrv {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

const char* skip_blanks(const char* p) {
  while (is_blank(*p)) ++p;
  return p;
}

int lower(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

IniSection* find_section(IniFile& ini, const char* name) {
  for (IniSection& section : ini.sections) {
    if (text_equal_nocase(section.name.c_str(), name)) return &section;
  }
  return nullptr;
}

// Hands the entries read so far to a new section of the current name.
void close_section(IniFile& ini, const std::string& name, std::vector<IniEntry>& pending) {
  if (pending.empty()) return;
  IniSection section;
  section.name.assign(name.c_str());
  section.entries.swap(pending);
  ini.sections.push_back(std::move(section));
  pending.clear();
}

// Whether the text holds anything its lines cannot carry back: a run of
// 1024 bytes without a line feed (the reader cuts it), a NUL byte (ends the
// line's text) or a carriage return that is not the line's end.
bool holds_unkept_bytes(std::span<const uint8_t> text) {
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t c = text[i];
    if (c == 0) return true;
    if (c == '\r' && i + 1 < text.size() && text[i + 1] != '\n') return true;
    run = c == '\n' ? 0 : run + 1;
    if (run >= static_cast<size_t>(RtFile::kLineSize)) return true;
  }
  return false;
}

}  // namespace

bool text_equal_nocase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    if (lower(static_cast<unsigned char>(*a)) != lower(static_cast<unsigned char>(*b))) {
      return false;
    }
    if (*a == 0) return true;
  }
}

IniFile& ini_instance() {
  if (ctx.ini_file == nullptr) {
    ctx.ini_file = new IniFile();
    ini_line_files_register_exit();
  }
  return *ctx.ini_file;
}

void ini_parse(std::span<const uint8_t> text, IniFile& ini) {
  if (holds_unkept_bytes(text)) ini.unkept = true;
  std::string current;  // the unnamed section until the first header
  std::vector<IniEntry> pending;
  char line[RtFile::kLineSize];
  int64_t pos = 0;
  while (memory_line_read(text.data(), static_cast<int64_t>(text.size()), &pos, line)) {
    line[RtFile::kLineSize - 1] = 0;
    const char* p = line;
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    if (*p == ';') continue;

    if (*p == '[') {
      close_section(ini, current, pending);
      const char* name = skip_blanks(p + 1);
      const char* end = name;
      while (*end != 0 && !is_blank(*end) && *end != '=') ++end;
      const bool closed = end > name && end[-1] == ']';
      if (closed) --end;
      // "[]" is how the unnamed section is written; it must read back as
      // that section rather than merge into the one before it.
      if (end > name || closed) current.assign(name, static_cast<size_t>(end - name));
      continue;
    }

    const char* key = p;
    while (*p != 0 && *p != '=' && !is_blank(*p)) ++p;
    if (*p == 0) continue;  // a key without a value
    const size_t key_length = static_cast<size_t>(p - key);
    if (is_blank(*p)) {
      p = skip_blanks(p);
      if (*p != '=') continue;
    }
    const char* value = skip_blanks(p + 1);
    size_t value_length = std::strlen(value);
    while (value_length > 0 && static_cast<unsigned char>(value[value_length - 1]) < 32) {
      --value_length;
    }
    if (value_length == 0) continue;

    IniEntry entry;
    entry.key.assign(std::string(key, key_length).c_str());
    entry.value.assign(std::string(value, value_length).c_str());
    pending.push_back(std::move(entry));
  }
  close_section(ini, current, pending);
}

std::string ini_format(const IniFile& ini) {
  std::string text;
  for (const IniSection& section : ini.sections) {
    text += '[';
    text.append(section.name.data, section.name.length);
    text += "]\r\n";
    for (const IniEntry& entry : section.entries) {
      text.append(entry.key.data, entry.key.length);
      text += '=';
      text.append(entry.value.data, entry.value.length);
      text += "\r\n";
    }
  }
  return text;
}

bool ini_write_back(IniFile& ini) {
  if (!ini.dirty || ini.file_name.empty() || memfile_is_name(ini.file_name.c_str())) return true;
  if (ini.unkept) {
    if (!ini.failure_reported) {
      std::fprintf(stderr,
                   "ini file: '%s' is not written back: it holds a line of 1024 bytes or more, a "
                   "NUL byte or a carriage return without a line feed, which an INI file cannot "
                   "keep; the file stays as it was\n",
                   ini.write_path.c_str());
      std::fflush(stderr);
    }
    ini.failure_reported = true;
    return false;
  }
  const std::string text = ini_format(ini);
  int error = 0;
  if (!file_replace_whole(ini.write_path.c_str(), text.data(), static_cast<int64_t>(text.size()),
                          &error)) {
    // The old file stays as it was; said once, not again at every retry.
    if (!ini.failure_reported) report_write_back_failure("ini file", ini.write_path.c_str(), error);
    ini.failure_reported = true;
    return false;
  }
  ini.failure_reported = false;
  return true;
}

void ini_open(const RtString& name) {
  IniFile& ini = ini_instance();
  if (ini.dirty) ini_write_back(ini);
  if (name.empty()) return;

  ini.dirty = 0;
  ini.file_name.assign("");
  ini.write_path.clear();
  ini.sections.clear();
  ini.failure_reported = false;
  ini.unkept = false;

  RtString resolved = name;
  if (!path_resolve(resolved)) resolved.assign(name);
  ini.file_name.assign(resolved);
  ini.write_path = path_absolute(resolved.c_str());

  FileBytes file;
  if (!file_read_bytes(resolved.c_str(), &file)) return;  // a missing file is an empty INI
  ini_parse(file.bytes, ini);
}

RtString ini_get(const RtString& section, const RtString& key, const RtString& default_value) {
  IniFile& ini = ini_instance();
  IniSection* found = find_section(ini, section.c_str());
  if (found != nullptr) {
    for (const IniEntry& entry : found->entries) {
      if (text_equal_nocase(entry.key.c_str(), key.c_str())) return entry.value;
    }
  }
  return default_value;
}

void ini_put(const RtString& section, const RtString& key, const RtString& value) {
  if (key.empty()) return;
  IniFile& ini = ini_instance();
  IniSection* target = find_section(ini, section.c_str());
  if (target == nullptr) {
    IniSection fresh;
    fresh.name.assign(section);
    ini.sections.push_back(std::move(fresh));
    target = &ini.sections.back();
  }
  std::vector<IniEntry>& entries = target->entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!text_equal_nocase(entries[i].key.c_str(), key.c_str())) continue;
    if (!value.empty()) {
      entries[i].value.assign(value);
    } else {
      // The last entry takes the removed one's place.
      if (i + 1 != entries.size()) entries[i] = std::move(entries.back());
      entries.pop_back();
    }
    ini.dirty = 1;
    return;
  }
  if (value.empty()) return;
  IniEntry entry;
  entry.key.assign(key);
  entry.value.assign(value);
  entries.push_back(std::move(entry));
  ini.dirty = 1;
}

}  // namespace zrv
