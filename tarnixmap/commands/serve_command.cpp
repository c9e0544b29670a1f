#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <chrono>
#include <optional>
#include <thread>

#include "tarnixmap/commands/commands.h"
#include "tarnixmap/commands/interrupt.h"
#include "tarnixmap/server/designer_server.h"
#include "tarnixrandommap/run/printable.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX declares it nowhere

namespace tarnix {

namespace {

// How often the console's Ctrl-C is looked at while the server runs.
constexpr auto kLookEvery = std::chrono::milliseconds(100);

bool is_loopback(const std::string& host) {
  return host == "127.0.0.1" || host == "::1" || host == "localhost";
}

// Asks the desktop to open `address`; says on `err` when it cannot.
void open_in_browser(const std::string& address, Console& err) {
  std::string program = "xdg-open";
  std::string word = address;
  const std::array<char*, 3> args = {program.data(), word.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, args.data(), environ) != 0) {
    err.line(
        "tarnixmap serve: could not start xdg-open to open the page; open the address "
        "above in a browser");
    return;
  }
  // xdg-open hands the address to the browser and ends; it is waited for
  // so that it does not linger as a zombie.
  int status = 0;
  (void)waitpid(pid, &status, 0);
}

}  // namespace

int serve_command(const ServeRequest& request, Console& out, Console& err) {
  ServerOptions options;
  options.host = request.host;
  options.port = request.port;
  options.threads = std::max(1U, request.cores);
  options.previews_at_once = std::max(2U, request.cores);
  options.token = new_token();
  if (options.token.empty()) {
    err.line("tarnixmap serve: the system gave no randomness for the page's token");
    return kExitFailed;
  }
  if (!is_loopback(request.host)) {
    err.line("tarnixmap serve: warning: listening on " + printable(request.host) +
             ", not only this machine's own address: anyone who can reach it and learns the "
             "address with its token can use the page");
  }
  DesignerServer server(options);
  if (std::string why; !server.bind(&why)) {
    err.line("tarnixmap serve: " + printable(why) +
             (request.port != 0 ? "; --port 0 takes any free port" : ""));
    return kExitFailed;
  }
  out.line("tarnixmap serve: the designer's page is at " + server.address());
  out.line("tarnixmap serve: Ctrl-C stops it");
  out.flush();
  std::optional<CatchInterrupt> ctrl_c;
  if (request.interrupted == nullptr) ctrl_c.emplace();
  const std::atomic<bool>& interrupted =
      request.interrupted != nullptr ? *request.interrupted : CatchInterrupt::flag();
  std::thread serving([&server] { server.serve(); });
  if (request.open) open_in_browser(server.address(), err);
  while (!interrupted)
    std::this_thread::sleep_for(kLookEvery);
  server.stop();
  serving.join();
  out.line("tarnixmap serve: stopped");
  return kExitOk;
}

}  // namespace tarnix
