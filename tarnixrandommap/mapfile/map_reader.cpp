#include "tarnixrandommap/mapfile/map_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "tarnixrandommap/mapfile/map_file.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// Past this many, a broken file's further problems add nothing but noise.
constexpr std::size_t kMaxProblems = 100;

// A number as the writer writes it: an optional "-", then digits with no
// leading zero; "-0", "+1", "007" and " 7" are not.
std::optional<std::int32_t> parse_int(std::string_view text) {
  const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
  if (digits.empty() || (digits.front() == '0' && text.size() > 1)) return std::nullopt;
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

// Text from the file as it can safely be shown on one line of a terminal:
// the first bytes only, and bytes a terminal could act on as \xNN.
std::string quoted(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::string out(1, '"');
  out += printable(text.substr(0, kShown));
  if (text.size() > kShown) out += "...";
  out += '"';
  return out;
}

bool is_tile_code(char c) {
  return std::ranges::any_of(kTileCodes, [c](const TileCode& code) { return code.code == c; });
}

bool is_heart(char c) {
  return c >= tile::heart(0) && c <= tile::heart(kMaxPlayers - 1);
}

// Reads the file's lines in order, checking each against what must stand
// there, and collects what it finds.
class Reader {
 public:
  // `owner`, when given, holds `bytes` and may hand them over to the grid.
  Reader(std::string_view bytes, FileBytes* owner) : bytes_(bytes), owner_(owner) {}

  MapFileRead read() && {
    read_head();
    read_grid();
    read_codes();
    read_hearts_and_gold();
    read_end();
    if (result_.contents.grid) {
      check_frame();
      check_hearts();
    }
    report_line_ends();
    std::ranges::stable_sort(result_.problems, {}, &MapProblem::line);
    if (dropped_ > 0) {
      result_.problems.push_back(
          {cursor_.number - 1, "... and " + std::to_string(dropped_) + " more problems"});
    }
    return std::move(result_);
  }

 private:
  // A place in the file: where a line starts, and its number.
  struct Cursor {
    std::size_t at = 0;
    std::int64_t number = 1;
  };

  // A line as it stands in the file, without its line end.
  struct Line {
    std::string_view text;
    bool has_end = true;  // a line feed ends it
    bool crlf = true;     // the line feed follows a carriage return
  };

  // The line at `c`, moving `c` past it; nothing at the end of the file.
  // Lines are found again by scanning rather than kept in a table, so that
  // reading costs no memory per line.
  [[nodiscard]] std::optional<Line> scan(Cursor& c) const {
    if (c.at >= bytes_.size()) return std::nullopt;
    const std::size_t feed = bytes_.find('\n', c.at);
    Line line;
    line.has_end = feed != std::string_view::npos;
    line.text = bytes_.substr(c.at, line.has_end ? feed - c.at : std::string_view::npos);
    c.at = line.has_end ? feed + 1 : bytes_.size();
    ++c.number;
    line.crlf = line.has_end && line.text.ends_with('\r');
    if (line.crlf) line.text.remove_suffix(1);
    return line;
  }

  // The next line, noting once what is wrong with how it ends.
  std::optional<std::string_view> next_line() {
    const std::int64_t at = cursor_.number;
    const std::optional<Line> line = scan(cursor_);
    if (!line) return std::nullopt;
    if (!line->has_end) {
      problem(at, "the file's last line has no line end");
    } else if (!line->crlf) {
      if (bare_feeds_ == 0) first_bare_feed_ = at;
      ++bare_feeds_;
    }
    if (line->text.find('\r') != std::string_view::npos)
      problem(at, "a carriage return inside the line");
    return line->text;
  }

  // Lines that end in a bare line feed make one problem for the file, not
  // one per line: a file saved with the wrong line ends says so once.
  void report_line_ends() {
    if (bare_feeds_ == 0) return;
    const std::int64_t lines_from_first = cursor_.number - first_bare_feed_;
    const bool all_from_first = bare_feeds_ == lines_from_first ||
                                (bare_feeds_ + 1 == lines_from_first && !ends_with_feed());
    if (bare_feeds_ == 1) {
      problem(first_bare_feed_, "the line ends in a bare line feed, not CR LF");
    } else if (all_from_first) {
      problem(first_bare_feed_,
              "line ends are LF, not CR LF, from line " + std::to_string(first_bare_feed_) + " on");
    } else {
      problem(first_bare_feed_,
              "the line ends in a bare line feed, not CR LF, as do " +
                  counted(static_cast<std::uint64_t>(bare_feeds_ - 1), "later line"));
    }
  }

  [[nodiscard]] bool ends_with_feed() const { return bytes_.ends_with('\n'); }

  void problem(std::int64_t line, std::string message) {
    if (result_.problems.size() >= kMaxProblems) {
      ++dropped_;
      return;
    }
    result_.problems.push_back({line, std::move(message)});
  }

  [[nodiscard]] std::int64_t number() const { return cursor_.number; }

  // The next line without taking it.
  [[nodiscard]] std::optional<std::string_view> peek() const {
    Cursor c = cursor_;
    const std::optional<Line> line = scan(c);
    if (!line) return std::nullopt;
    return line->text;
  }

  // The next line, or nothing (reported once) when the file has ended.
  std::optional<std::string_view> take(std::string_view what) {
    if (const auto line = next_line()) return line;
    if (!ended_) problem(number(), "the file ends where " + std::string(what) + " should be");
    ended_ = true;
    return std::nullopt;
  }

  void expect(std::string_view wanted) {
    const std::int64_t at = number();
    const auto line = take(quoted(wanted));
    if (line && *line != wanted)
      problem(at, "expected " + quoted(wanted) + ", found " + quoted(*line));
  }

  // The same rule the generator applies to the name it is given.
  void check_name(std::string_view name) {
    if (name.empty()) {
      problem(1, "the map's name is empty");
    } else if (name.size() > kMaxNameBytes) {
      problem(1, "the map's name is " + std::to_string(name.size()) + " bytes long, more than " +
                     std::to_string(kMaxNameBytes));
    } else if (const auto* const bad = std::ranges::find_if(name, is_forbidden_in_name);
               bad != name.end()) {
      problem(1, "the map's name holds byte 0x" + hex_byte(*bad) + " at column " +
                     std::to_string(bad - name.begin()) +
                     R"(; a name may not hold "/", "\" or control bytes)");
    }
  }

  void read_head() {
    MapFileContents& map = result_.contents;
    if (const auto name = take("the map's name")) {
      // A name too long to be sound is kept only in part: the whole line
      // can be as long as the file.
      map.name = std::string(name->substr(0, kMaxNameBytes + 1));
      check_name(*name);
    }
    const std::int64_t players_line = number();
    if (const auto line = take("the PLAYERS line")) {
      const auto players =
          line->starts_with("PLAYERS ") ? parse_int(line->substr(8)) : std::nullopt;
      if (!players || *players < 2 || *players > kMaxPlayers) {
        problem(players_line, "expected \"PLAYERS \" and 2, 3 or 4, found " + quoted(*line));
      } else {
        map.players = *players;
      }
    }
    expect("");
    expect("MAP");
    size_line_ = number();
    if (const auto line = take("the size line")) {
      const std::size_t x = line->find(" X ");
      const auto width = x == std::string_view::npos ? std::nullopt : parse_int(line->substr(0, x));
      const auto height =
          x == std::string_view::npos ? std::nullopt : parse_int(line->substr(x + 3));
      if (!width || !height || *width < 7 || *height < 7) {
        problem(size_line_, "expected \"WIDTH X HEIGHT\", each at least 7, found " + quoted(*line));
      } else {
        map.width = *width;
        map.height = *height;
      }
    }
    expect("");
  }

  // The rows run up to the first empty line.
  void read_grid() {
    MapFileContents& map = result_.contents;
    grid_first_line_ = number();
    const Cursor first = cursor_;
    std::int64_t rows = 0;
    for (Cursor c = first;; ++rows) {
      const std::optional<Line> line = scan(c);
      if (!line || line->text.empty()) break;
    }
    bool fits = map.width > 0 && rows == map.height;
    if (map.width > 0 && !fits) {
      problem(grid_first_line_, "the grid has " + counted(static_cast<std::uint64_t>(rows), "row") +
                                    ", but the size line (line " + std::to_string(size_line_) +
                                    ") says " + std::to_string(map.height));
    }
    for (std::int64_t r = 0; r < rows; ++r) {
      const std::int64_t line = number();
      const std::string_view row = *next_line();
      if (map.width > 0 && row.size() != static_cast<std::size_t>(map.width)) {
        problem(line, "the row has " + counted(row.size(), "tile code") + ", the size line says " +
                          std::to_string(map.width));
        fits = false;
      }
      const auto* const bad = std::ranges::find_if(row, [](char c) { return !is_tile_code(c); });
      if (bad != row.end()) {
        problem(line, "column " + std::to_string(bad - row.begin()) + ": " +
                          quoted(std::string_view(&*bad, 1)) + " is not a tile code");
        fits = false;
      }
    }
    rows_end_ = cursor_.at;
    expect("");
    if (fits) fill_grid(first);
  }

  void fill_grid(Cursor rows) {
    MapFileContents& map = result_.contents;
    // Rows that all end in CR LF are, byte for byte, a grid's block: the
    // grid takes the file's memory over instead of copying it.
    const std::size_t stride = static_cast<std::size_t>(map.width) + TileGrid::kRowEndSize;
    if (owner_ != nullptr && owner_->view().data() == bytes_.data() &&
        rows_end_ - rows.at == stride * static_cast<std::size_t>(map.height)) {
      const FileBytes::Block block = owner_->hand_over();
      map.grid = TileGrid::adopt(map.width, map.height, block.data, block.mapped, rows.at);
      return;
    }
    map.grid = TileGrid::create(map.width, map.height);
    if (!map.grid) {
      problem(size_line_, "not enough memory to hold the grid");
      return;
    }
    for (std::int32_t y = 0; y < map.height; ++y) {
      char* row = map.grid->cells() + map.grid->index(0, y);
      std::memcpy(row, scan(rows)->text.data(), static_cast<std::size_t>(map.width));
      row[map.width] = '\r';
      row[map.width + 1] = '\n';
    }
  }

  void read_codes() {
    expect("MAP_CODES");
    expect(std::to_string(kTileCodes.size()));
    for (const TileCode& code : kTileCodes)
      expect(std::string(1, code.code) + " " + std::string(code.name));
    expect("");
    for (const std::string_view line :
         {"THINGS", "0", "CREATURES", "0", "DOORS", "0", "TRAPS", "0", "HEARTS_AND_GOLD"}) {
      expect(line);
    }
  }

  // How many heart lines to read: the players, or when the PLAYERS line is
  // broken, as many as the file seems to hold, so that one bad line does not
  // make every later one look wrong.
  [[nodiscard]] std::int32_t heart_lines() const {
    if (result_.contents.players > 0) return result_.contents.players;
    std::int32_t n = 0;
    Cursor c = cursor_;
    for (auto line = scan(c); n < kMaxPlayers && line && line->text.starts_with("VSK");
         line = scan(c)) {
      ++n;
    }
    return std::max(n, 2);
  }

  void read_hearts_and_gold() {
    MapFileContents& map = result_.contents;
    const std::int32_t players = heart_lines();
    map.hearts.count = players;
    std::fill_n(heart_state_.begin(), players, HeartState::kUnknown);
    for (std::int32_t p = 0; p < players; ++p) {
      const std::string key = "VSK" + std::to_string(p + 1) + "_HEART_CENTER ";
      const std::int64_t at = number();
      const auto line = take(quoted(key));
      if (!line) return;
      const std::size_t space = line->find(' ', key.size());
      const auto x = line->starts_with(key) && space != std::string_view::npos
                         ? parse_int(line->substr(key.size(), space - key.size()))
                         : std::nullopt;
      const auto y = x ? parse_int(line->substr(space + 1)) : std::nullopt;
      const auto i = static_cast<std::size_t>(p);
      if (!y) {
        problem(at, "expected " + quoted(key + "X Y") + ", found " + quoted(*line));
        continue;
      }
      map.hearts.centres[i] = {*x, *y};
      centre_lines_[i] = at;
      if (*x < 3 || *x > map.width - 4 || *y < 3 || *y > map.height - 4) {
        // Only a size that was read can be checked against the centre.
        if (map.width > 0) {
          problem(at, "heart " + std::to_string(p + 1) + "'s block around (" + std::to_string(*x) +
                          ", " + std::to_string(*y) + ") does not fit inside the border");
        }
        continue;
      }
      heart_state_[i] = HeartState::kPlaced;
    }
    for (std::int32_t p = 0; p < players; ++p) {
      const std::string key = "GOLD" + std::to_string(p + 1) + " ";
      const std::int64_t at = number();
      const auto line = take(quoted(key));
      if (!line) return;
      const auto gold = line->starts_with(key) ? parse_int(line->substr(key.size())) : std::nullopt;
      if (!gold) {
        problem(at, "expected " + quoted(key + "AMOUNT") + ", found " + quoted(*line));
        continue;
      }
      map.gold[static_cast<std::size_t>(p)] = *gold;
    }
  }

  void read_end() {
    expect("");
    expect("EOF");
    expect("");
    if (const auto extra = peek()) {
      problem(number(), "text after the end of the map: " + quoted(*extra));
      while (next_line()) {  // only to see how the remaining lines end
      }
    }
  }

  [[nodiscard]] std::int64_t row_line(std::int32_t y) const { return grid_first_line_ + y; }

  // The heart whose block covers (x, y) last, if any.
  [[nodiscard]] std::optional<std::int32_t> heart_at(std::int32_t x, std::int32_t y) const {
    const HeartTable& hearts = result_.contents.hearts;
    std::optional<std::int32_t> last;
    for (std::int32_t p = 0; p < hearts.count; ++p) {
      const auto i = static_cast<std::size_t>(p);
      if (heart_state_[i] != HeartState::kPlaced) continue;
      const HeartCentre c = hearts.centres[i];
      if (std::abs(c.x - x) <= 2 && std::abs(c.y - y) <= 2) last = p;
    }
    return last;
  }

  // A heart tile where no heart is recorded, unless its own heart's line is
  // broken: that line is reported already, and its tiles cannot be checked.
  [[nodiscard]] bool stray_heart_tile(char c, std::int32_t x, std::int32_t y) const {
    if (!is_heart(c)) return false;
    const auto p = static_cast<std::size_t>(c - tile::heart(0));
    return heart_state_[p] != HeartState::kUnknown && !heart_at(x, y);
  }

  // A tile of a heart whose line is broken: that line is reported already,
  // and where its block lay cannot be known.
  [[nodiscard]] bool unchecked_heart_tile(char c) const {
    return is_heart(c) &&
           heart_state_[static_cast<std::size_t>(c - tile::heart(0))] == HeartState::kUnknown;
  }

  // The outer ring is border; the ring inside it is solid rock, except
  // where a heart's block covers it.
  void check_frame() {
    const MapFileContents& map = result_.contents;
    const TileGrid& grid = *map.grid;
    for (std::int32_t y = 0; y < map.height; ++y) {
      for (std::int32_t x = 0; x < map.width; ++x) {
        const bool outer = y == 0 || y == map.height - 1 || x == 0 || x == map.width - 1;
        const bool inner =
            !outer && (y == 1 || y == map.height - 2 || x == 1 || x == map.width - 2);
        if (!outer && !inner) {
          // Skip the interior of the row: only its two ring squares matter.
          if (x == 2) x = map.width - 3;
          continue;
        }
        const char c = grid.at(x, y);
        const bool good =
            outer ? c == tile::kBorder
                  : c == tile::kSolidRock || (is_heart(c) && !stray_heart_tile(c, x, y));
        if (!good) {
          problem(row_line(y),
                  "column " + std::to_string(x) + ": " + quoted(std::string_view(&c, 1)) +
                      (outer ? " where the border 'A' belongs" : " where solid rock 'S' belongs"));
        }
      }
    }
  }

  void check_hearts() {
    const MapFileContents& map = result_.contents;
    const TileGrid& grid = *map.grid;
    for (std::int32_t p = 0; p < map.hearts.count; ++p) {
      const auto i = static_cast<std::size_t>(p);
      if (heart_state_[i] == HeartState::kPlaced)
        check_block(grid, p, map.hearts.centres[i], centre_lines_[i]);
    }
    // Inside the frame: no heart tile outside every block, and no border.
    for (std::int32_t y = 2; y < map.height - 2; ++y) {
      for (std::int32_t x = 2; x < map.width - 2; ++x) {
        const char code = grid.at(x, y);
        if (stray_heart_tile(code, x, y)) {
          problem(row_line(y), "column " + std::to_string(x) + ": heart tile " +
                                   quoted(std::string_view(&code, 1)) +
                                   " outside every recorded heart");
        } else if (code == tile::kBorder) {
          problem(row_line(y), "column " + std::to_string(x) +
                                   ": the border 'A' inside the frame, where only the outer "
                                   "ring may hold it");
        }
      }
    }
  }

  // Every square of the block holds the digit of the last heart covering it.
  void check_block(const TileGrid& grid, std::int32_t p, HeartCentre c, std::int64_t at) {
    for (std::int32_t y = c.y - 2; y <= c.y + 2; ++y) {
      for (std::int32_t x = c.x - 2; x <= c.x + 2; ++x) {
        const char want = tile::heart(*heart_at(x, y));
        const char found = grid.at(x, y);
        if (found == want || unchecked_heart_tile(found)) continue;
        problem(row_line(y), "column " + std::to_string(x) + ": " +
                                 quoted(std::string_view(&found, 1)) + " inside heart " +
                                 std::to_string(p + 1) + "'s block (centre on line " +
                                 std::to_string(at) + "), where " +
                                 quoted(std::string_view(&want, 1)) + " belongs");
        return;  // one report per heart
      }
    }
  }

  std::string_view bytes_;
  FileBytes* owner_;
  Cursor cursor_;
  std::size_t rows_end_ = 0;          // where the line after the grid's last row starts
  std::int64_t first_bare_feed_ = 0;  // the first line ending in a bare line feed
  std::int64_t bare_feeds_ = 0;       // how many lines do
  bool ended_ = false;
  std::size_t dropped_ = 0;
  std::int64_t size_line_ = 0;
  std::int64_t grid_first_line_ = 0;
  std::array<std::int64_t, kMaxPlayers> centre_lines_{};
  // kAbsent: the file records no such heart, so its tiles are strays.
  // kUnknown: its line is broken or its block does not fit; its tiles go unchecked.
  enum class HeartState : std::uint8_t { kAbsent, kUnknown, kPlaced };
  std::array<HeartState, kMaxPlayers> heart_state_{};
  MapFileRead result_;
};

}  // namespace

MapFileRead read_map_file(std::string_view bytes) {
  return Reader(bytes, nullptr).read();
}

MapFileRead read_map_file(FileBytes&& bytes) {
  FileBytes held = std::move(bytes);
  return Reader(held.view(), &held).read();
}

}  // namespace tarnix
