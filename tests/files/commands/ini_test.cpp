// INI files: parsing rules, changes, write-back and interop with Python's
// configparser.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.hpp"
#include "child_process.hpp"
#include "files/ini_file.hpp"
#include "files/paths.hpp"
#include "files/rt_file.hpp"
#include "filesys_util.hpp"
#include "zorvane.hpp"

namespace zrv {
namespace {

using test::read_file;
using test::run_in_child;
using test::write_file;

using Sections =
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

class IniTest : public test::FilesysTest {};

Sections snapshot() {
  Sections out;
  for (const IniSection& s : ini_instance().sections) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const IniEntry& e : s.entries) entries.emplace_back(e.key.c_str(), e.value.c_str());
    out.emplace_back(s.name.c_str(), entries);
  }
  return out;
}

#ifndef _WIN32  // Python is the Linux build machine's
// The JSON that json.dumps gives for the sections (plain ASCII texts only).
std::string as_json(const Sections& sections) {
  std::string j = "[";
  for (size_t i = 0; i < sections.size(); ++i) {
    if (i) j += ", ";
    j += "[\"" + sections[i].first + "\", [";
    for (size_t k = 0; k < sections[i].second.size(); ++k) {
      if (k) j += ", ";
      j += "[\"" + sections[i].second[k].first + "\", \"" + sections[i].second[k].second + "\"]";
    }
    j += "]]";
  }
  return j + "]";
}

std::string run_python(const std::string& args) {
  const std::string cmd = test::python_command() +
                          " " ZRV_SOURCE_DIR "/tests/files/commands/ini_interop.py " + args +
                          " 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return "popen failed";
  std::string out;
  char buf[512];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int st = ::pclose(p);
  if (!WIFEXITED(st) || WEXITSTATUS(st) != 0) out = "python failed: " + out;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}
#endif

TEST_F(IniTest, ParsingRules) {
  write_file(path("rules.ini"),
             "top=1\r\n"
             "; a comment\r\n"
             "   \t[Game Settings]\r\n"
             "  width = 800\r\n"
             "height\t=\t480   \x01\x02\r\n"
             "keyonly\r\n"
             "key value\r\n"
             "empty=\r\n"
             "blank=   \r\n"
             "\r\n"
             "[  Audio]   trailing\n"
             "volume=0.5\n"
             "Volume=0.9\n"
             "[=ignored]\n"
             "music=on\n"
             "[Video]\n"
             "[Net]\n"
             "port=27910");
  ini_open("rules.ini");
  const Sections expected = {
      {"", {{"top", "1"}}},
      {"Game", {{"width", "800"}, {"height", "480   "}}},
      // "[=ignored]" has no name: the current one goes on in a second
      // section of the same name, which lookups never reach.
      {"Audio", {{"volume", "0.5"}, {"Volume", "0.9"}}},
      {"Audio", {{"music", "on"}}},
      {"Net", {{"port", "27910"}}},  // [Video] had no entries
  };
  EXPECT_EQ(snapshot(), expected);
  EXPECT_EQ(ini_get("audio", "music", "unseen"), "unseen");
  EXPECT_EQ(ini_instance().dirty, 0);
  EXPECT_EQ(ini_instance().file_name, "rules.ini");
}

#ifndef _WIN32  // a separator on Windows
TEST_F(IniTest, BackslashInAFolderNameIsAnOrdinaryCharacter) {
  const std::string folder = path("a\\b");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  ASSERT_TRUE(test::change_folder(folder));
  EXPECT_EQ(std::string(dir_get_current().c_str()), folder + "/");
  ini_open("s.ini");
  ini_put("s", "k", "v");
  ini_line_files_flush();
  EXPECT_EQ(read_file(folder + "/s.ini"), "[s]\r\nk=v\r\n");
}
#endif

TEST_F(IniTest, LookupsIgnoreCaseAndFallBackToTheDefault) {
  write_file(path("l.ini"), "x=unnamed\n[Game Settings]\nWidth=800\n[GAME]\nwidth=1\n");
  ini_open("l.ini");
  EXPECT_EQ(ini_get("game", "WIDTH", "d"), "800");  // first match wins
  EXPECT_EQ(ini_get("", "x", "d"), "unnamed");
  EXPECT_EQ(ini_get("Game", "missing", "def"), "def");
  EXPECT_EQ(ini_get("Nope", "width", "def"), "def");
  EXPECT_EQ(ini_get("Game", "width", ""), "800");
}

TEST_F(IniTest, PutAddsReplacesAndRemoves) {
  write_file(path("p.ini"), "[S]\na=1\nb=2\nc=3\n");
  ini_open("p.ini");
  ini_put("S", "", "x");  // empty key: nothing
  EXPECT_EQ(ini_instance().dirty, 0);
  ini_put("s", "missing", "");  // removing what is not there: nothing
  EXPECT_EQ(ini_instance().dirty, 0);
  ini_put("s", "A", "");  // removed: the last entry takes its place
  EXPECT_EQ(ini_instance().dirty, 1);
  EXPECT_EQ(snapshot(), (Sections{{"S", {{"c", "3"}, {"b", "2"}}}}));
  ini_put("S", "B", "two");
  ini_put("T", "k", "v");
  EXPECT_EQ(snapshot(), (Sections{{"S", {{"c", "3"}, {"b", "two"}}}, {"T", {{"k", "v"}}}}));

  ini_open("other.ini");  // writes p.ini back
  EXPECT_EQ(read_file(path("p.ini")), "[S]\r\nc=3\r\nb=two\r\n[T]\r\nk=v\r\n");
  EXPECT_EQ(ini_instance().dirty, 0);
  EXPECT_TRUE(snapshot().empty());
}

TEST_F(IniTest, UnchangedIniIsNotWritten) {
  write_file(path("keep.ini"), "[S]\n  a = 1 \n; comment stays\n");
  ini_open("keep.ini");
  ini_put("S", "missing", "");
  ini_open("next.ini");
  EXPECT_EQ(read_file(path("keep.ini")), "[S]\n  a = 1 \n; comment stays\n");
  EXPECT_FALSE(test::exists(path("next.ini")));
  ini_line_files_flush();
  EXPECT_FALSE(test::exists(path("next.ini")));
}

TEST_F(IniTest, EntriesBeforeTheFirstHeaderRoundTrip) {
  write_file(path("u.ini"), "a=1\n[S]\nb=2\n");
  ini_open("u.ini");
  ini_put("", "c", "3");
  ini_put("Later", "d", "4");
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("u.ini")), "[]\r\na=1\r\nc=3\r\n[S]\r\nb=2\r\n[Later]\r\nd=4\r\n");

  // The unnamed section written after a named one must read back as itself.
  ini_open("v.ini");
  ini_put("S", "b", "2");
  ini_put("", "a", "1");
  ini_open("u.ini");  // writes v.ini
  EXPECT_EQ(read_file(path("v.ini")), "[S]\r\nb=2\r\n[]\r\na=1\r\n");
  ini_open("v.ini");
  EXPECT_EQ(ini_get("", "a", "lost"), "1");
  EXPECT_EQ(snapshot(), (Sections{{"S", {{"b", "2"}}}, {"", {{"a", "1"}}}}));
}

TEST_F(IniTest, EmptySectionsWriteTheirHeader) {
  ini_open("e.ini");
  ini_put("Empty", "k", "");  // creates the section, changes nothing
  ini_put("Full", "k", "v");
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("e.ini")), "[Empty]\r\n[Full]\r\nk=v\r\n");
}

TEST_F(IniTest, MissingFileStartsEmptyAndIsCreatedOnWriteBack) {
  ini_open("new.ini");
  EXPECT_EQ(ini_get("S", "k", "default"), "default");
  ini_put("S", "k", "v");
  ini_open("");  // writes back, the open INI stays
  EXPECT_EQ(read_file(path("new.ini")), "[S]\r\nk=v\r\n");
  EXPECT_EQ(ini_get("S", "k", "default"), "v");
}

TEST_F(IniTest, WriteBackGoesWhereTheFileWasRead) {
  ASSERT_TRUE(std::filesystem::create_directory(path("Media")));
  write_file(path("Media/cfg.ini"), "[S]\nk=1\n");
  ASSERT_TRUE(test::change_folder(path("Media")));
  ini_open("cfg.ini");
  ini_put("S", "k", "2");
  ASSERT_TRUE(test::change_folder(dir_));  // shutdown returns to the program folder
  ini_line_files_flush();
  EXPECT_EQ(read_file(path("Media/cfg.ini")), "[S]\r\nk=2\r\n");
  EXPECT_FALSE(test::exists(path("cfg.ini")));
}

TEST_F(IniTest, ArchiveEntriesAreReadButNeverWritten) {
  const std::string text = "[S]\nk=from archive\n";
  install_archive({{"packed.ini", std::vector<uint8_t>(text.begin(), text.end())}});
  ini_open("packed.ini");
  EXPECT_EQ(ini_get("S", "k", ""), "from archive");
  EXPECT_TRUE(memfile_is_name(ini_instance().file_name.c_str()));
  ini_put("S", "k", "changed");
  ini_line_files_flush();
  EXPECT_FALSE(test::exists(path("packed.ini")));
  for (const std::string& n : test::folder_names(dir_)) {
    EXPECT_EQ(n.find("mem:"), std::string::npos) << n;
  }
}

TEST_F(IniTest, WrittenBackAtProgramEndAlsoAfterAFatalError) {
  auto normal = run_in_child([] {
    ini_open("end.ini");
    ini_put("S", "k", "v");
    program_end();
  });
  EXPECT_TRUE(normal.exited);
  EXPECT_EQ(read_file(path("end.ini")), "[S]\r\nk=v\r\n");

  auto fatal = run_in_child([] {
    ini_open("fatal.ini");
    ini_put("S", "k", "v");
    file_close(99);  // bad channel: error 7 and the end of the program
  });
  EXPECT_NE(fatal.out.find("error: 7"), std::string::npos);
  EXPECT_EQ(read_file(path("fatal.ini")), "[S]\r\nk=v\r\n");
}

#ifndef _WIN32  // Python is the Linux build machine's
TEST_F(IniTest, PythonConfigparserReadsWhatTheRuntimeWrites) {
  ini_open("to_python.ini");
  ini_put("Video", "Width", "800");
  ini_put("Video", "Height", "480");
  ini_put("Video", "Title", "Reed fire; the game = fun [1]");
  ini_put("Player", "name", "Ann");
  ini_put("Player", "drop", "x");
  ini_put("Player", "score", "1200");
  ini_put("Player", "drop", "");  // score moves into its place
  ini_put("audio", "volume", "0.75");
  ini_line_files_flush();

  const Sections expected = {
      {"Video", {{"Width", "800"}, {"Height", "480"}, {"Title", "Reed fire; the game = fun [1]"}}},
      {"Player", {{"name", "Ann"}, {"score", "1200"}}},
      {"audio", {{"volume", "0.75"}}},
  };
  EXPECT_EQ(run_python("dump " + path("to_python.ini")), as_json(expected));

  // And the runtime reads it back identically.
  ini_open("to_python.ini");
  EXPECT_EQ(snapshot(), expected);
}
#endif

#ifndef _WIN32  // Python is the Linux build machine's
TEST_F(IniTest, RuntimeReadsWhatPythonConfigparserWrites) {
  ASSERT_EQ(run_python("write " + path("from_python.ini")), "");
  ini_open("from_python.ini");
  // A header's name stops at its first blank: [Player One] names Player.
  const Sections expected = {
      {"Video", {{"Width", "800"}, {"Height", "480"}, {"Mode", "full screen"}}},
      {"Player", {{"name", "Ann B"}, {"score", "1200"}}},
      {"audio", {{"volume", "0.75"}}},
  };
  EXPECT_EQ(snapshot(), expected);
  EXPECT_EQ(ini_get("VIDEO", "mode", ""), "full screen");
}
#endif

TEST_F(IniTest, FailedWriteBackLeavesTheOldFileComplete) {
  if (test::kNoFileSizeLimit) GTEST_SKIP() << test::kNoFileSizeLimit;
  std::string old_text = "[Old]\r\n";
  for (int i = 0; i < 200; ++i) old_text += "key" + std::to_string(i) + "=value\r\n";
  write_file(path("big.ini"), old_text);

  for (bool die : {false, true}) {
    auto r = run_in_child([&] {
      ini_open("big.ini");
      for (int i = 0; i < 2000; ++i)
        ini_put("New", ("k" + std::to_string(i)).c_str(), "long value");
      // The new text is far larger than the old one; writes stop at 1 KiB.
      test::limit_file_size(1024, die);
      ini_line_files_flush();
      std::printf("dirty=%d\n", ini_instance().dirty);
    });
    if (die) {
      EXPECT_FALSE(r.exited);  // ended half-way through the write
    } else {
      EXPECT_EQ(r.out, "dirty=1\n");  // the failure is not taken for a success
    }
    EXPECT_EQ(read_file(path("big.ini")), old_text) << "die=" << die;
  }
  // A failed write leaves no temporary file behind unless the process died.
  size_t leftovers = 0;
  for (const std::string& n : test::folder_names(dir_)) leftovers += n.find(".zrv") == 0;
  EXPECT_LE(leftovers, 1u);
}

// An INI file holding what its lines cannot carry back is not rewritten:
// one line on standard error, and the file stays whole.
TEST_F(IniTest, FileWithBytesAnIniCannotKeepIsNotWrittenBack) {
  const std::vector<std::string> texts = {
      "[A]\r\nk=1\r\nbig=" + std::string(10 << 20, 'v') + "\r\n",
      std::string("[A]\r\nk=1\r\nnul=a") + '\0' + "b\r\n",
      "[A]\rk=1\rother=2\r",
  };
  for (const std::string& text : texts) {
    write_file(path("odd.ini"), text);
    auto r = run_in_child([] {
      ini_open("odd.ini");
      ini_put("A", "k", "2");
      ini_line_files_flush();
      ini_open("odd.ini");  // a second write-back says nothing more
      std::exit(0);
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(read_file(path("odd.ini")), text) << text.substr(0, 40);
    EXPECT_NE(r.err.find("is not written back"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
  }
}

TEST_F(IniTest, LongLinesAndHostileBytesDoNotBreakParsing) {
  std::string text(1, '[');
  text += std::string(3000, 'S') + "]\n";
  text += std::string(2000, 'k') + "=" + std::string(2000, 'v') + "\n";
  static const char kOdd[] = "\0\0[\0]\n=\n==\n[]]\n\xff\xfe=\x80\n";
  text += std::string(kOdd, sizeof kOdd - 1);
  write_file(path("hostile.ini"), text);
  ini_open("hostile.ini");
  for (const IniSection& s : ini_instance().sections) {
    EXPECT_LE(s.name.length, 1023u);
    for (const IniEntry& e : s.entries) {
      EXPECT_LE(e.key.length + e.value.length, 1023u);
      EXPECT_FALSE(e.value.empty());
    }
  }
  EXPECT_EQ(ini_get("]", "\xff\xfe", ""), "\x80");
}

TEST_F(IniTest, FormatIsExact) {
  IniFile ini;
  IniSection s;
  s.name = "A";
  s.entries.push_back({RtString("k"), RtString("v ")});
  ini.sections.push_back(std::move(s));
  ini.sections.push_back(IniSection{RtString(""), {}});
  EXPECT_EQ(ini_format(ini), "[A]\r\nk=v \r\n[]\r\n");
}

}  // namespace
}  // namespace zrv
