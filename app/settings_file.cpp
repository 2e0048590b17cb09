// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <optional>
#include <vector>

#include "presets/conversion_settings.h"

#include "app/startup.h"

namespace app {
namespace {

constexpr size_t kMaxValue = 259;

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<std::string_view> section_of(std::string_view line) {
  line = trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return trim(line.substr(1, close - 1));
}

// Splits "key=value"; nothing for a line without "=".
bool split_entry(std::string_view line, std::string_view& key, std::string_view& value) {
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  key = trim(line.substr(0, eq));
  value = trim(line.substr(eq + 1));
  return true;
}

// Reads the whole file into `content`.
enum class Load { ok, missing, failed };
Load load(const std::string& file, std::string& content) {
  content.clear();
  int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? Load::missing : Load::failed;
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return Load::failed;
    }
    if (n == 0) break;
    content.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return Load::ok;
}

// Lines without their "\n"; a last line without one is kept too.
std::vector<std::string_view> split_lines(std::string_view content) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t nl = content.find('\n', start);
    if (nl == std::string_view::npos) {
      lines.push_back(content.substr(start));
      break;
    }
    lines.push_back(content.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

bool write_all(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes `data` to a temporary file beside `file` and renames it over `file`.
void replace_file(const std::string& file, const std::string& data) {
  const size_t slash = file.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : file.substr(0, slash + 1);
  std::string temp = (slash == std::string::npos ? std::string() : folder) + ".Config.ini.XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) return;
  // Keep the old file's permissions; a new file gets the usual 0644.
  struct stat st {};
  mode_t mode = (::stat(file.c_str(), &st) == 0) ? (st.st_mode & 07777) : 0644;
  ::fchmod(fd, mode);
  bool ok = write_all(fd, data) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (!ok || ::rename(name.data(), file.c_str()) != 0) ::unlink(name.data());
}

}  // namespace

std::string read_setting_in(const std::string& file, std::string_view section, std::string_view key) {
  if (file.empty()) return {};
  std::string content;
  if (load(file, content) != Load::ok) return {};
  bool in_section = false;
  for (std::string_view line : split_lines(content)) {
    if (auto name = section_of(line)) {
      // The first section of that name is the one that counts.
      if (in_section) break;
      in_section = same_name(*name, section);
      continue;
    }
    std::string_view k, v;
    if (in_section && split_entry(line, k, v) && same_name(k, key))
      return std::string(v.substr(0, kMaxValue));
  }
  return {};
}

void write_setting_in(const std::string& file, std::string_view section, std::string_view key,
                      std::string_view value) {
  if (file.empty()) return;
  // A line break in a value would split it into lines of its own (a folder
  // name may hold one): only the first line of the value is stored.
  value = value.substr(0, value.find_first_of("\r\n"));
  std::string content;
  // A file that exists but cannot be read is left alone rather than replaced
  // by one holding only this key.
  if (load(file, content) == Load::failed) return;
  const bool crlf = content.find("\r\n") != std::string::npos;
  const std::string eol = crlf ? "\r\n" : "\n";
  const std::string entry = std::string(key) + "=" + std::string(value);

  std::vector<std::string_view> lines = split_lines(content);
  // Index of the section line, and of the last non-blank line in it.
  std::optional<size_t> section_line, last_in_section, key_line;
  bool in_section = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto name = section_of(lines[i])) {
      if (in_section) break;
      if (same_name(*name, section)) {
        in_section = true;
        section_line = last_in_section = i;
      }
      continue;
    }
    if (!in_section) continue;
    std::string_view k, v;
    if (split_entry(lines[i], k, v) && same_name(k, key)) {
      key_line = i;
      break;
    }
    if (!trim(lines[i]).empty()) last_in_section = i;
  }

  std::string out;
  out.reserve(content.size() + entry.size() + section.size() + 8);
  // Lines are written back as read, "\r" included; new lines use the file's
  // own line ending.
  auto put_new = [&](const std::string& line) { out += line + eol; };
  auto put_old = [&](std::string_view line) {
    out.append(line);
    out += '\n';
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    if (key_line && i == *key_line) {
      put_new(entry);
      continue;
    }
    put_old(lines[i]);
    if (!key_line && last_in_section && i == *last_in_section) put_new(entry);
  }
  if (!section_line) {
    if (!lines.empty() && !trim(lines.back()).empty()) out += eol;
    put_new("[" + std::string(section) + "]");
    put_new(entry);
  }
  replace_file(file, out);
}

std::string read_setting(std::string_view section, std::string_view key) {
  return read_setting_in(settings_path(), section, key);
}

void write_setting(std::string_view section, std::string_view key, std::string_view value) {
  write_setting_in(settings_path(), section, key, value);
}

long long setting_as_int(std::string_view value) { return presets::read_leading_integer(value); }

}  // namespace app
