// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/list_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/file_list.h"
#include "app/file_list_rows.h"
#include "app/ids.h"
#include "app/main_window.h"
#include "app/ui_call.h"
#include "probe/probe.h"

namespace app::list_store {
namespace {

constexpr const char* kFirstLine = "Clipmill list 1";
constexpr int kFixedFields = 9;

bool escaped(unsigned char c) {
  if (c == ' ') return false;
  return c == '%' || c < 0x21 || c >= 0x7F;
}

std::string escape(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (!escaped(c)) {
      out += static_cast<char>(c);
      continue;
    }
    char hex[4];
    std::snprintf(hex, sizeof hex, "%%%02X", c);
    out += hex;
  }
  return out;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? hex_value(text[i + 1]) : -1;
    const int low = i + 2 < text.size() ? hex_value(text[i + 2]) : -1;
    if (high < 0 || low < 0) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

std::optional<StoredRow> decode_row(const std::string& line) {
  const std::vector<std::string> fields = split(line, '\t');
  if (fields.size() < kFixedFields + 1) return std::nullopt;
  std::vector<std::string> values;
  for (const std::string& field : fields) {
    std::optional<std::string> value = unescape(field);
    if (!value) return std::nullopt;
    values.push_back(std::move(*value));
  }
  if ((values[0] != "0" && values[0] != "1") || (values[1] != "0" && values[1] != "1")) return std::nullopt;
  StoredRow row;
  row.tick = values[0] == "1" ? 1 : 0;
  row.running = values[1] == "1";
  row.done = values[2];
  row.output = values[3];
  row.title = values[4];
  row.settings = values[5];
  row.duration = values[6];
  row.facts_tip = values[7];
  row.tip = values[8];
  row.parts.assign(values.begin() + kFixedFields, values.end());
  for (const std::string& part : row.parts)
    if (part.empty()) return std::nullopt;
  return row;
}

// The state folder's parent: $XDG_STATE_HOME when absolute, else
// ~/.local/state.
std::string state_home() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/state";
  return {};
}

// Every missing folder of `folder` made with mode 0700, as the XDG rules
// ask for.
bool make_private_folders(const std::filesystem::path& folder) {
  std::filesystem::path made;
  for (const auto& part : folder) {
    made /= part;
    if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return std::filesystem::is_directory(folder);
}

QTreeWidget* list_of(MainWindow& window) { return window.control_as<QTreeWidget>(kIdFileList); }

StoredRow stored_row(const QTreeWidgetItem* item) {
  StoredRow row;
  row.tick = file_list_rows::tick_of(item) == 0 ? 0 : 1;
  row.running = item->data(0, file_list_rows::kRunningRole).toBool();
  row.done = item->text(file_list::kDone).toStdString();
  row.output = file_list_rows::output_of(item);
  row.title = item->text(file_list::kTitle).toStdString();
  row.settings = item->text(file_list::kSettings).toStdString();
  row.duration = item->text(file_list::kDuration).toStdString();
  row.facts_tip = item->data(0, file_list_rows::kFactsTipRole).toString().toStdString();
  row.tip = item->toolTip(0).toStdString();
  row.parts.push_back(file_list_rows::text_of(item, file_list::kPath));
  for (std::string& part : file_list_rows::further_parts_of(item)) row.parts.push_back(std::move(part));
  return row;
}

QTreeWidgetItem* restored_item(const StoredRow& row) {
  probe::FileFacts facts;
  facts.title = row.title;
  facts.settings = row.settings;
  facts.duration = row.duration;
  facts.done = row.done;
  facts.path = row.parts.front();
  if (row.parts.size() > 1) facts.parts = row.parts;
  facts.tooltip = row.facts_tip;
  QTreeWidgetItem* item = file_list_rows::make_row(facts);
  std::string tip = row.tip;
  int tick = row.tick;
  std::error_code error;
  bool gone = false;
  for (const std::string& part : row.parts) gone = gone || !std::filesystem::exists(part, error);
  if (row.running) {
    tick = 1;
    item->setText(file_list::kDone, QStringLiteral("0 %"));
    tip = "The program ended while this file was converted";
    if (!row.output.empty()) tip += "; a partial file may be left: " + row.output;
  } else if (!row.output.empty()) {
    item->setData(file_list::kPath, file_list_rows::kOutputRole, QByteArray::fromStdString(row.output));
  }
  if (gone) {
    tick = 1;
    tip = "The source file is gone\n" + tip;
  }
  file_list_rows::set_tick(item, tick);
  const QString text = QString::fromStdString(tip);
  for (int column = 0; column <= file_list::kPath; ++column) item->setToolTip(column, text);
  return item;
}

}  // namespace

std::string list_path() {
  const std::string home = state_home();
  return home.empty() ? std::string() : home + "/Clipmill/list";
}

std::string encode(const std::vector<StoredRow>& rows) {
  std::string text = std::string(kFirstLine) + "\n";
  for (const StoredRow& row : rows) {
    text += row.tick ? "1" : "0";
    text += row.running ? "\t1" : "\t0";
    for (const std::string* field :
         {&row.done, &row.output, &row.title, &row.settings, &row.duration, &row.facts_tip, &row.tip})
      text += "\t" + escape(*field);
    for (const std::string& part : row.parts) text += "\t" + escape(part);
    text += "\n";
  }
  return text;
}

std::optional<std::vector<StoredRow>> decode(const std::string& text) {
  std::vector<std::string> lines = split(text, '\n');
  if (text.empty() || text.back() != '\n' || lines.front() != kFirstLine) return std::nullopt;
  lines.pop_back();  // after the last newline
  std::vector<StoredRow> rows;
  for (size_t i = 1; i < lines.size(); ++i) {
    std::optional<StoredRow> row = decode_row(lines[i]);
    if (!row) return std::nullopt;
    rows.push_back(std::move(*row));
  }
  return rows;
}

void list_changed(MainWindow& window) {
  run_on_ui([&window] {
    auto* timer = window.findChild<QTimer*>(QStringLiteral("listWriteTimer"), Qt::FindDirectChildrenOnly);
    if (!timer) {
      timer = new QTimer(&window);
      timer->setObjectName(QStringLiteral("listWriteTimer"));
      timer->setSingleShot(true);
      // A quarter of a second gathers a burst (a card going in row by
      // row) into one write.
      timer->setInterval(250);
      QObject::connect(timer, &QTimer::timeout, &window, [&window] { write_list(window); });
    }
    if (!timer->isActive()) timer->start();
  });
}

void write_list(MainWindow& window) {
  const std::string path = list_path();
  QTreeWidget* list = list_of(window);
  if (path.empty() || !list) return;
  if (!make_private_folders(std::filesystem::path(path).parent_path())) return;
  std::vector<StoredRow> rows;
  for (int row = 0; row < list->topLevelItemCount(); ++row) rows.push_back(stored_row(list->topLevelItem(row)));
  // QSaveFile writes a new file beside the old one and renames it into
  // place only once it is whole and flushed to the disk.
  QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path)));
  if (!file.open(QIODevice::WriteOnly)) return;
  const std::string text = encode(rows);
  if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
    file.cancelWriting();
    return;
  }
  file.commit();
}

void restore_list(MainWindow& window) {
  const std::string path = list_path();
  QTreeWidget* list = list_of(window);
  if (path.empty() || !list) return;
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::ostringstream text;
  text << in.rdbuf();
  const std::optional<std::vector<StoredRow>> rows = decode(text.str());
  if (!rows) {
    // Kept for a look, out of the way of the next write.
    std::error_code error;
    std::filesystem::rename(path, path + ".bad", error);
    return;
  }
  for (const StoredRow& row : *rows) list->addTopLevelItem(restored_item(row));
}

}  // namespace app::list_store
