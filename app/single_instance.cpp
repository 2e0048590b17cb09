// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/window_work.h"

namespace app::single_instance {
namespace {

// A file descriptor closed when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int release() { return std::exchange(fd, -1); }
};

bool fill_address(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

bool write_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// A folder of ours alone: made with mode 0700, or found as a real folder
// owned by us that no one else may enter.
bool private_folder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
         (info.st_mode & 077) == 0;
}

// The paths, each ended by a zero byte (no path holds one).
std::vector<std::string> parse_paths(const QByteArray& bytes) {
  std::vector<std::string> paths;
  for (const QByteArray& path : bytes.split('\0'))
    if (!path.isEmpty()) paths.push_back(path.toStdString());
  return paths;
}

void bring_to_front(MainWindow& window) {
  window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
  window.show();
  window.raise();
  window.activateWindow();
}

// Paths that came during a batch wait for its end.
class HandedPaths : public QObject {
 public:
  explicit HandedPaths(MainWindow& window) : QObject(&window), window_(window) {
    timer_.setInterval(500);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { add_if_idle(); });
  }
  void take(std::vector<std::string> paths) {
    waiting_.insert(waiting_.end(), paths.begin(), paths.end());
    bring_to_front(window_);
    if (window_.work().batch_running()) {
      if (QLabel* part = window_.status_part(1))
        part->setText(QStringLiteral("Files handed over will be added when the batch ends"));
      timer_.start();
      return;
    }
    add_if_idle();
  }

 private:
  void add_if_idle() {
    if (window_.work().batch_running()) return;
    timer_.stop();
    add_paths(window_, std::exchange(waiting_, {}));
  }
  MainWindow& window_;
  QTimer timer_;
  std::vector<std::string> waiting_;
};

}  // namespace

std::string socket_path() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/' && private_folder(runtime)) return std::string(runtime) + "/clipmill.socket";
  const char* tmp = std::getenv("TMPDIR");
  const std::string folder = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/clipmill-" + std::to_string(::getuid());
  return private_folder(folder) ? folder + "/socket" : std::string();
}

Claim claim_or_hand(const std::string& socket, const std::vector<std::string>& paths) {
  Claim claim;
  sockaddr_un address;
  if (socket.empty() || !fill_address(socket, address)) return claim;
  // Held until this start either handed its paths over or listens.
  Fd lock(::open((socket + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (lock.fd < 0) return claim;
  while (::flock(lock.fd, LOCK_EX) != 0)
    if (errno != EINTR) return claim;

  Fd client(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (client.fd < 0) return claim;
  if (::connect(client.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    std::string bytes;
    for (const std::string& path : paths) bytes += path + '\0';
    claim.handed = write_all(client.fd, bytes);
    if (claim.handed) return claim;
  }
  // No window answers: what lies there is stale.
  ::unlink(socket.c_str());
  Fd server(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (server.fd < 0 || ::bind(server.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(server.fd, 16) != 0)
    return claim;
  claim.listen_fd = server.release();
  return claim;
}

void serve(MainWindow& window, int listen_fd) {
  auto* server = new QLocalServer(&window);
  if (!server->listen(listen_fd)) {
    delete server;
    return;
  }
  auto* handed = new HandedPaths(window);
  QObject::connect(server, &QLocalServer::newConnection, server, [server, handed] {
    while (QLocalSocket* connection = server->nextPendingConnection()) {
      auto bytes = std::make_shared<QByteArray>();
      QObject::connect(connection, &QLocalSocket::readyRead, connection,
                       [connection, bytes] { bytes->append(connection->readAll()); });
      QObject::connect(connection, &QLocalSocket::disconnected, connection, [connection, bytes, handed] {
        bytes->append(connection->readAll());
        handed->take(parse_paths(*bytes));
        connection->deleteLater();
      });
    }
  });
}

}  // namespace app::single_instance
