// `cmake --install` of this build tree: the programs and their documents, nothing of the
// test tooling, the benchmarks or the static libraries.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.hpp"

using quorvine::testing::binary_dir;
using quorvine::testing::run_command;
using quorvine::testing::ScratchDir;
namespace fs = std::filesystem;

TEST(Install, PutsTheProgramsAndTheirDocumentsInTheUsualPlaces) {
  ScratchDir prefix;
  const auto installed = run_command("cmake --install '" + binary_dir().string() + "' --prefix '" +
                                     prefix.path().string() + "' 2>&1");
  ASSERT_EQ(installed.status, 0) << installed.out;

  std::vector<std::string> expected = {"bin/quorvine", "share/man/man1/quorvine.1.gz",
                                       "share/bash-completion/completions/quorvine",
                                       "share/doc/quorvine/copyright", "share/doc/quorvine/changelog.Debian.gz",
                                       "share/doc/quorvine/README.md", "share/doc/quorvine/json.md"};
  const bool gui = fs::exists(binary_dir() / "quorvine-gui");
  if (gui)
    expected.insert(expected.end(), {"bin/quorvine-gui", "share/man/man1/quorvine-gui.1.gz",
                                     "share/applications/quorvine-gui.desktop",
                                     "share/metainfo/io.github.quorvine.gui.metainfo.xml",
                                     "share/icons/hicolor/scalable/apps/quorvine-gui.svg"});
  for (const auto& path : expected) EXPECT_TRUE(fs::is_regular_file(prefix / path)) << path;

  for (const auto& entry : fs::recursive_directory_iterator(prefix.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(entry.path().extension() == ".a" || name.starts_with("edb") || name.starts_with("bench") ||
                 name.starts_with("test_"))
        << fs::relative(entry.path(), prefix.path());
  }
  for (const auto& program : fs::directory_iterator(prefix / "bin"))
    EXPECT_TRUE(program.path().filename() == "quorvine" || program.path().filename() == "quorvine-gui")
        << program.path().filename();

  // The page is rendered roff, not the scdoc source.
  const auto roff = run_command("gzip -dc '" + (prefix / "share/man/man1/quorvine.1.gz").string() + "'");
  EXPECT_NE(roff.out.find(".TH \"quorvine\" \"1\""), std::string::npos);
  EXPECT_EQ(roff.out.find("# OPTIONS"), std::string::npos);
}

TEST(Install, DesktopMetadataIsValid) {
  const auto source = quorvine::testing::source_dir();
  const auto result = run_command("appstreamcli validate --no-net '" +
                                  (source / "data" / "io.github.quorvine.gui.metainfo.xml").string() + "' 2>&1");
  EXPECT_EQ(result.status, 0) << result.out;
}

// The package's maintainer is taken as Debian's own tools take it, and the changelog entry
// is signed by the same one the control file names.
TEST(Install, MaintainerFromDebianVariablesSignsTheChangelogToo) {
  const std::string script = (quorvine::testing::source_dir() / "scripts" / "deb-maintainer.sh").string();
  const std::pair<const char*, const char*> cases[] = {
      {"", "Quorvine developers <quorvine@example.org>"},
      {"DEBFULLNAME='Ann Lee' DEBEMAIL=ann@example.net", "Ann Lee <ann@example.net>"},
      {"DEBEMAIL='Bo Ray <bo@example.net>'", "Bo Ray <bo@example.net>"},
      {"DEBFULLNAME=Cy DEBEMAIL='Bo Ray <bo@example.net>'", "Cy <bo@example.net>"},
      {"EMAIL=e@example.net", "Quorvine developers <e@example.net>"},
  };
  for (const auto& [environment, expected] : cases) {
    const auto result = run_command("env -i PATH=\"$PATH\" " + std::string(environment) + " '" + script + "'");
    EXPECT_EQ(result.status, 0) << environment;
    EXPECT_EQ(result.out, std::string(expected) + "\n") << environment;
  }
  EXPECT_NE(run_command("env -i PATH=\"$PATH\" DEBFULLNAME='a <b>' '" + script + "' 2>/dev/null").status, 0);

  const std::string config = quorvine::testing::read_file(binary_dir() / "CPackConfig.cmake");
  const std::string key = "set(CPACK_DEBIAN_PACKAGE_MAINTAINER \"";
  const size_t at = config.find(key);
  ASSERT_NE(at, std::string::npos);
  const std::string maintainer = config.substr(at + key.size(), config.find('"', at + key.size()) - at - key.size());
  EXPECT_NE(quorvine::testing::read_file(binary_dir() / "debian" / "changelog.Debian").find(" -- " + maintainer + "  "),
            std::string::npos)
      << maintainer;
}
