// SPDX-License-Identifier: GPL-3.0-or-later
// Installing as a Linux desktop program: `cmake --install` into a scratch
// DESTDIR puts every file where the desktop looks for it, the validators of
// the freedesktop formats accept them, the man page renders and matches
// --help, and the Debian package holds the same files, names its libraries
// and passes lintian. Both install only the default component, so that
// install_manifest.txt keeps listing what the user installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "testsupport/media.h"

namespace {

namespace fs = std::filesystem;

fs::path build_dir() {
  const char* cache = std::getenv("CLIPMILL_MEDIA_CACHE");
  return cache ? fs::path(cache).parent_path() : fs::path();
}

const char* const kInstalled[] = {
    "usr/bin/clipmill",
    "usr/bin/clipmill-convert",
    "usr/share/applications/clipmill.desktop",
    "usr/share/metainfo/example.clipmill.Clipmill.metainfo.xml",
    "usr/share/icons/hicolor/scalable/apps/clipmill.svg",
    "usr/share/icons/hicolor/16x16/apps/clipmill.png",
    "usr/share/icons/hicolor/48x48/apps/clipmill.png",
    "usr/share/icons/hicolor/256x256/apps/clipmill.png",
    "usr/share/man/man1/clipmill-convert.1.gz",
    "usr/share/man/man1/clipmill.1.gz",
    "usr/share/doc/clipmill/copyright",
    "usr/share/doc/clipmill/changelog.Debian.gz",
    "usr/share/lintian/overrides/clipmill",
};

class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    if (build_dir().empty() || !fs::exists(build_dir() / "CPackConfig.cmake")) GTEST_SKIP() << "no build folder";
    root = testsupport::temp_dir("install");
  }
  void TearDown() override {
    if (!root.empty()) fs::remove_all(root);
  }
  int run(const std::string& command, std::string* out = nullptr) { return testsupport::run(command, out, true); }
  fs::path root;
};

TEST_F(Install, DestdirGetsValidDesktopFilesAndAManPageThatMatchesHelp) {
  std::string log;
  ASSERT_EQ(run("DESTDIR=" + testsupport::quote(root.string()) + " cmake --install " +
                    testsupport::quote(build_dir().string()) + " --component Unspecified --prefix /usr",
                &log),
            0)
      << log;
  for (const char* file : kInstalled) EXPECT_TRUE(fs::exists(root / file)) << file;

  EXPECT_EQ(run("desktop-file-validate " + testsupport::quote((root / kInstalled[2]).string()), &log), 0) << log;
  EXPECT_EQ(run("appstreamcli validate --no-net " + testsupport::quote((root / kInstalled[3]).string()), &log), 0)
      << log;

  std::string page, help;
  ASSERT_EQ(run("MANWIDTH=100 man -l " + testsupport::quote((root / kInstalled[8]).string()), &page), 0) << page;
  EXPECT_NE(page.find("clipmill-convert - convert camcorder recordings"), std::string::npos) << page;
  ASSERT_EQ(run(testsupport::quote((root / kInstalled[1]).string()) + " --help", &help), 0);
  // Every option --help names is described on the man page.
  for (size_t at = help.find("\n  --"); at != std::string::npos; at = help.find("\n  --", at + 1)) {
    const std::string option = help.substr(at + 3, help.find_first_of(" \n", at + 3) - at - 3);
    EXPECT_NE(page.find(option), std::string::npos) << option;
  }
}

TEST_F(Install, DebianPackageHoldsTheFilesNamesItsLibrariesAndPassesLintian) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the package is made from the normal build";
#endif
  std::string log;
  const fs::path out = root / "package";
  ASSERT_EQ(run("cpack -G DEB --config " + testsupport::quote((build_dir() / "CPackConfig.cmake").string()) +
                    " -B " + testsupport::quote(out.string()),
                &log),
            0)
      << log;
  fs::path deb;
  for (const auto& e : fs::directory_iterator(out))
    if (e.path().extension() == ".deb") deb = e.path();
  ASSERT_FALSE(deb.empty()) << log;
  ASSERT_EQ(run("dpkg -x " + testsupport::quote(deb.string()) + " " + testsupport::quote((root / "x").string()), &log),
            0)
      << log;
  for (const char* file : kInstalled) EXPECT_TRUE(fs::exists(root / "x" / file)) << file;
  std::string depends;
  ASSERT_EQ(run("dpkg-deb -f " + testsupport::quote(deb.string()) + " Depends", &depends), 0);
  for (const char* library : {"libavcodec", "libavformat", "libavfilter", "libqt6widgets6", "libsdl1.2", "libopencore-amrnb0",
                              "libmediainfo0v5", "qt6-qpa-plugins", "libqt6svg6", "hicolor-icon-theme"})
    EXPECT_NE(depends.find(library), std::string::npos) << library << " in " << depends;
  EXPECT_EQ(run("lintian --fail-on error,warning " + testsupport::quote(deb.string()), &log), 0) << log;
}

}  // namespace
