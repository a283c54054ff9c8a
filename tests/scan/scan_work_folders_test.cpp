// Where a scan keeps its files, and the temporary folder's refusal of planted links.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "scan/work_folders.hpp"
#include "support/test_support.hpp"

using namespace quorvine::scan;

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) ::setenv(name, value, 1);
    else ::unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

TEST(WorkFolders, DataFolderFollowsXdgAndIgnoresRelativeValues) {
  {
    ScopedEnv xdg("XDG_DATA_HOME", "/srv/data");
    const auto folder = work_folder_for("/stores/First Storage Group.edb");
    EXPECT_EQ(folder.parent_path(), std::filesystem::path("/srv/data/quorvine"));
    EXPECT_EQ(folder.filename().string().rfind("First Storage Group-", 0), 0u) << folder;
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", "relative/dir");
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(data_folder(), std::filesystem::path("/home/someone/.local/share/quorvine"));
  }
  {
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(work_folder_for("priv1.edb").parent_path(),
              std::filesystem::path("/home/someone/.local/share/quorvine"));
  }
}

// Two servers' "Mailbox.edb" side by side must not overwrite each other's work files; the
// same unchanged store keeps its folder, a changed one gets another.
TEST(WorkFolders, KeyedByFullPathSizeAndTime) {
  quorvine::testing::ScratchDir dir;
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b");
  std::ofstream(dir / "a" / "Mailbox.edb") << "first";
  std::ofstream(dir / "b" / "Mailbox.edb") << "first";
  const auto a = work_folder_for(dir / "a" / "Mailbox.edb");
  EXPECT_NE(a, work_folder_for(dir / "b" / "Mailbox.edb"));
  EXPECT_EQ(a, work_folder_for(dir / "a" / ".." / "a" / "Mailbox.edb"));
  std::ofstream(dir / "a" / "Mailbox.edb", std::ios::app) << "grown";
  EXPECT_NE(a, work_folder_for(dir / "a" / "Mailbox.edb"));
}

TEST(WorkFolders, TemporaryFolderIsPrivateAndRefusesLinksAndFiles) {
  quorvine::testing::ScratchDir dir;
  {
    ScopedEnv tmp("TMPDIR", dir.path().c_str());
    const auto folder = temp_folder();
    EXPECT_EQ(folder.parent_path(), dir.path());
    EXPECT_EQ(folder.filename().string().rfind("Quorvine-", 0), 0u);
    create_private_folder(folder);
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    create_private_folder(folder);  // an existing private folder is fine
  }
  EXPECT_EQ(temp_folder(dir / "chosen"), dir / "chosen" / "Quorvine");

  std::filesystem::create_directory(dir / "elsewhere");
  std::filesystem::create_directory_symlink(dir / "elsewhere", dir / "planted");
  EXPECT_THROW(create_private_folder(dir / "planted"), std::runtime_error);
  std::ofstream(dir / "plain-file").put('x');
  EXPECT_THROW(create_private_folder(dir / "plain-file"), std::runtime_error);
}
