#include "tarnixmap/drawing/histogram_svg.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

#include "tarnixmap/fairness/figure_text.h"
#include "tarnixrandommap/run/printable.h"

namespace tarnix {

namespace {

// The drawing's own units; it is scaled to the width of its box.
constexpr double kWidth = 760;
constexpr double kHeight = 270;
constexpr double kLeft = 100;  // room for the counts and their title
constexpr double kRight = 14;
constexpr double kTop = 32;  // room for the ranks' numbers
constexpr double kBottom = 56;
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr double kPlotHeight = kHeight - kTop - kBottom;
constexpr std::size_t kMostBars = 40;
// A character of a rank's label at its largest, with room between labels:
// a bold digit of DejaVu Sans is 0.7 of its size, 15.3 units at the 22 of
// a narrow screen.
constexpr double kRankCharWidth = 17;

// The fewest decimals that write `value`, a tick, exactly: 2.5 has one.
int decimals_of(double value) {
  for (int d = 0; d < 3; ++d) {
    const double scaled = value * std::pow(10.0, d);
    if (std::abs(scaled - std::round(scaled)) < 1e-9 * std::max(1.0, std::abs(scaled))) return d;
  }
  return 3;
}

std::string number(double value, int decimals) {
  return fixed(value, decimals);
}

std::string line(double x1, double y1, double x2, double y2, const char* cls) {
  return R"(<line class=")" + std::string(cls) + R"(" x1=")" + number(x1, 1) + R"(" y1=")" +
         number(y1, 1) + R"(" x2=")" + number(x2, 1) + R"(" y2=")" + number(y2, 1) + R"("/>)";
}

std::string text(double x, double y, const char* anchor, const std::string& words) {
  return R"(<text x=")" + number(x, 1) + R"(" y=")" + number(y, 1) + R"(" text-anchor=")" + anchor +
         R"(">)" + words + "</text>";
}

std::string rank_text(const RankLabel& label) {
  return label.first == label.last
             ? std::to_string(label.first + 1)
             : std::to_string(label.first + 1) + "–" + std::to_string(label.last + 1);
}

double label_width(const RankLabel& label, double char_width) {
  // The dash is one character; the counting is of digits.
  return static_cast<double>(rank_text(label).size() - (label.first == label.last ? 0 : 2)) *
         char_width;
}

}  // namespace

std::vector<RankLabel> rank_labels(std::span<const double> x, double char_width) {
  std::vector<RankLabel> labels;
  for (std::size_t r = 0; r < x.size(); ++r) {
    labels.push_back({r, r, x[r]});
    // A label that would touch the one before joins it; the joined label,
    // centred between its ranks, may then touch the one before that.
    while (labels.size() > 1) {
      RankLabel& last = labels.back();
      const RankLabel& before = labels[labels.size() - 2];
      const double room = (label_width(before, char_width) + label_width(last, char_width)) / 2;
      if (last.x - before.x >= room) break;
      const RankLabel joined{before.first, last.last, (x[before.first] + x[last.last]) / 2};
      labels.pop_back();
      labels.back() = joined;
    }
  }
  return labels;
}

double tick_step(double range, int most) {
  const double rough = range / most;
  double power = std::pow(10.0, std::floor(std::log10(rough)));
  for (;; power *= 10) {
    for (const double m : {1.0, 2.0, 2.5, 5.0}) {
      if (m * power * most >= range * (1 - 1e-12)) return m * power;
    }
  }
}

std::string histogram_svg(const ScoreHistogram& histogram, std::span<const double> ranked) {
  const auto& counts = histogram.counts;
  const auto first = static_cast<std::size_t>(
      std::find_if(counts.begin(), counts.end(), [](std::uint64_t c) { return c > 0; }) -
      counts.begin());
  std::size_t last = counts.size();
  while (last > first && counts[last - 1] == 0)
    --last;
  if (first >= last) return "<p>No seed searched had a score.</p>";
  const std::size_t per_bar = std::max<std::size_t>(1, (last - first + kMostBars - 1) / kMostBars);
  std::vector<std::uint64_t> bars;
  for (std::size_t i = first; i < last; i += per_bar) {
    bars.push_back(
        std::accumulate(counts.begin() + static_cast<std::ptrdiff_t>(i),
                        counts.begin() + static_cast<std::ptrdiff_t>(std::min(last, i + per_bar)),
                        std::uint64_t{0}));
  }
  // The bars cover whole bins: the axis runs from the first bar's start to
  // the last one's end.
  const double low = static_cast<double>(first) * ScoreHistogram::kBinWidth;
  const double high =
      static_cast<double>(first + bars.size() * per_bar) * ScoreHistogram::kBinWidth;
  const auto x_of = [&](double score) {
    return kLeft + (std::clamp(score, low, high) - low) / (high - low) * kPlotWidth;
  };
  const double tallest = static_cast<double>(*std::ranges::max_element(bars));
  const double count_step = std::max(1.0, tick_step(tallest, 5));
  const double top_count = std::ceil(tallest / count_step) * count_step;
  const auto y_of = [&](double count) { return kTop + kPlotHeight * (1 - count / top_count); };

  std::string svg = R"(<svg class="scores" viewBox="0 0 )" + number(kWidth, 0) + " " +
                    number(kHeight, 0) + R"(" role="img" aria-label="the scores of )" +
                    counted(histogram.total(), "seed") + R"(">)";
  const double bar_width = kPlotWidth / static_cast<double>(bars.size());
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const double y = y_of(static_cast<double>(bars[i]));
    const double from = low + static_cast<double>(i * per_bar) * ScoreHistogram::kBinWidth;
    const double to = from + static_cast<double>(per_bar) * ScoreHistogram::kBinWidth;
    svg += R"(<rect x=")" + number(kLeft + static_cast<double>(i) * bar_width, 1) + R"(" y=")" +
           number(y, 1) + R"(" width=")" + number(std::max(1.0, bar_width - 1), 1) +
           R"(" height=")" + number(kTop + kPlotHeight - y, 1) + R"("><title>)" +
           counted(bars[i], "seed") + " scored " + number(from, 2) + " to " + number(to, 2) +
           "</title></rect>";
  }
  // The score along the bottom, the counts up the side.
  svg += R"(<g class="x-axis">)" +
         line(kLeft, kTop + kPlotHeight, kLeft + kPlotWidth, kTop + kPlotHeight, "axis");
  const double score_step = tick_step(high - low, 8);
  const int decimals = decimals_of(score_step);
  for (double t = std::ceil(low / score_step - 1e-9) * score_step; t <= high + 1e-9;
       t += score_step) {
    const double x = x_of(t);
    svg += line(x, kTop + kPlotHeight, x, kTop + kPlotHeight + 5, "tick") +
           text(x, kTop + kPlotHeight + 18, "middle", number(t, decimals));
  }
  svg += text(kLeft + kPlotWidth / 2, kHeight - 6, "middle", "score (lower is fairer)") + "</g>";
  svg += R"(<g class="y-axis">)" + line(kLeft, kTop, kLeft, kTop + kPlotHeight, "axis");
  for (double c = 0; c <= top_count + 1e-9; c += count_step) {
    const double y = y_of(c);
    svg += line(kLeft - 5, y, kLeft, y, "tick") +
           text(kLeft - 8, y + 4, "end", number(c, decimals_of(count_step)));
  }
  svg += R"(<text transform="translate(20 )" + number(kTop + kPlotHeight / 2, 1) +
         R"svg() rotate(-90)" text-anchor="middle">seeds</text></g>)svg";
  // Where the ranked maps stand: a line each, telling its rank and score
  // when pointed at, and labels that never run into each other.
  std::vector<double> xs;
  for (std::size_t r = 0; r < ranked.size(); ++r) {
    xs.push_back(x_of(ranked[r]));
    svg += R"(<line class="ranked" x1=")" + number(xs.back(), 1) + R"(" y1=")" +
           number(kTop - 2, 1) + R"(" x2=")" + number(xs.back(), 1) + R"(" y2=")" +
           number(kTop + kPlotHeight, 1) + R"("><title>rank )" + std::to_string(r + 1) +
           ": score " + number(ranked[r], 4) + "</title></line>";
  }
  for (const RankLabel& label : rank_labels(xs, kRankCharWidth)) {
    std::string told;
    for (std::size_t r = label.first; r <= label.last; ++r) {
      told += (told.empty() ? "" : "; ") + std::string("rank ") + std::to_string(r + 1) +
              ": score " + number(ranked[r], 4);
    }
    svg += R"(<text class="rank" x=")" + number(label.x, 1) + R"(" y=")" + number(kTop - 6, 1) +
           R"(" text-anchor="middle">)" + rank_text(label) + "<title>" + told + "</title></text>";
  }
  return svg + "</svg>";
}

}  // namespace tarnix
