#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace tarnix {

// How the designer's server is set up.
struct ServerOptions {
  std::string host = "127.0.0.1";           // the address it listens on
  int port = 0;                             // its port; 0 for any free one
  std::string token;                        // every API request must carry it (X-Tarnix-Token)
  unsigned threads = 1;                     // a search's workers
  std::size_t previews_at_once = 2;         // previews made at the same time; others wait
  std::size_t max_body = 64 * 1024;         // the largest request body taken, in bytes
  std::size_t max_maps = 64;                // maps kept under ids, the latest used
  std::uint64_t max_map_bytes = 256 << 20;  // and their bytes at most
};

// The live designer page and its API, served over HTTP: the page itself
// at "/", and under "/api/" the map values the page offers, previews,
// each map's file, values and pictures by id, and one search at a time
// whose progress is pushed to the page as it runs.
//
// A request is refused unless its Host header names the address and port
// served (403: another name may point at this machine); an API request
// unless it carries the token (401); a POST unless it is JSON (415) from
// the page's own origin (403); a body larger than max_body (413).
class DesignerServer {
 public:
  explicit DesignerServer(ServerOptions options);
  DesignerServer(const DesignerServer&) = delete;  // its handlers point at it
  DesignerServer& operator=(const DesignerServer&) = delete;
  ~DesignerServer();

  // Takes the address and port. False with *err saying why it cannot.
  [[nodiscard]] bool bind(std::string* err);
  // The port taken, after bind().
  [[nodiscard]] int port() const;
  // The page's address with the token in its fragment, which browsers
  // never send: http://HOST:PORT/#token=...
  [[nodiscard]] std::string address() const;
  // Answers requests until stop(). Requires: bind() succeeded.
  void serve();
  // Stops the search, if one runs, and the serving; serve() returns once
  // the requests in hand are answered. Safe from any thread.
  void stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A new random token of 128 bits, in hex, from the system's own source of
// randomness. Empty when it cannot be had.
[[nodiscard]] std::string new_token();

}  // namespace tarnix
