// Pages looked at as a person would: headless Chromium loads them, runs their
// scripts and hands back the document it ended with.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace curling::testing {

inline constexpr const char* kChromium = "/usr/bin/chromium";

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Loads `url` (file:// or http://) with a fresh profile in `folder`, letting
// the page's clock run `virtual_ms`; the page's DOM after its scripts ran.
inline std::string DumpDom(const std::filesystem::path& folder, const std::string& url,
                           int virtual_ms = 5000) {
  namespace fs = std::filesystem;
  const fs::path profile = folder / ("profile-" + std::to_string(getpid()));
  fs::remove_all(profile);
  const fs::path out = folder / "chromium.out";
  const fs::path err = folder / "chromium.err";
  const std::string command =
      std::string("timeout 90 ") + kChromium +
      " --headless --no-sandbox --disable-gpu --disable-quic --disable-background-networking"
      " --disable-component-update --no-first-run --disable-sync --hide-scrollbars"
      " --allow-file-access-from-files --window-size=1280,960 --virtual-time-budget=" +
      std::to_string(virtual_ms) + " --user-data-dir='" + profile.string() + "' --dump-dom '" +
      url + "' > '" + out.string() + "' 2> '" + err.string() + "'";
  const int rc = std::system(command.c_str());
  fs::remove_all(profile);
  EXPECT_EQ(rc, 0) << command << "\n" << ReadFile(err);
  return ReadFile(out);
}

}  // namespace curling::testing
