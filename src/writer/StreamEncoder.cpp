#include "writer/StreamEncoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "archive/ArchiveFormat.h"

namespace qor {
namespace {

using Byte = std::uint8_t;

// Token costs in stored bytes.
constexpr std::uint32_t kLiteralCost = 1;
constexpr std::uint32_t kEscapedCost = 2;
constexpr std::uint32_t kShortMatchCost = 2;
constexpr std::uint32_t kLongMatchCost = 3;

// Below this offset a match may not be longer than this: decoders that copy a
// match in four-byte units read bytes it has not produced yet.
constexpr std::uint32_t kNearOffset = 4;
constexpr std::uint32_t kNearMaxLength = 3;

// The optimal parse works on segments of this many positions, so its tables
// stay small whatever the entry's size; a match never crosses a segment end.
constexpr std::size_t kSegmentSize = std::size_t{1} << 18;
// A path's price: its stored bytes above this many bits, its matches below.
constexpr int kTokenBits = 24;

constexpr int kHashBits = 16;
constexpr std::uint32_t kRing = kMaxLongOffset + 1;  // earlier positions kept per chain
static_assert((kRing & (kRing - 1)) == 0);

struct Match {
  std::uint32_t length = 0;
  std::uint32_t offset = 0;
};

// The best matches at one position: the longest one a short token can carry,
// and the longest one within the whole history.
struct Candidates {
  Match shortest;  // offset <= 15
  Match longest;   // offset <= 4095
};

// Finds matches through hash chains of the positions with the same four
// leading bytes, the nearest first, plus a direct look at the 15 nearest
// offsets (a short token is cheaper, so those are worth finding exactly).
// Positions must be visited in ascending order, each exactly once.
class CMatchFinder {
 public:
  CMatchFinder(std::span<const Byte> data, std::uint32_t chainDepth)
      : m_data(data), m_depth(std::max<std::uint32_t>(chainDepth, 1)), m_head(std::size_t{1} << kHashBits, 0),
        m_previous(kRing, 0) {}

  // Matches at pos no longer than maxLength, then remembers pos.
  Candidates FindAndInsert(std::size_t pos, std::uint32_t maxLength) {
    Candidates found;
    if (maxLength >= 2) {
      found.shortest = FindNear(pos, maxLength);
      found.longest = found.shortest;
      FindFar(pos, maxLength, found.longest);
    }
    Insert(pos);
    return found;
  }

  void Insert(std::size_t pos) {
    if (pos + 4 > m_data.size()) return;
    std::uint32_t& head = m_head[Hash(pos)];
    m_previous[pos & (kRing - 1)] = head;
    head = static_cast<std::uint32_t>(pos + 1);
  }

 private:
  std::uint32_t Hash(std::size_t pos) const {
    std::uint32_t v;
    std::memcpy(&v, m_data.data() + pos, 4);
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  std::uint32_t CommonLength(std::size_t pos, std::uint32_t offset, std::uint32_t maxLength) const {
    if (offset < kNearOffset) maxLength = std::min(maxLength, kNearMaxLength);
    const Byte* here = m_data.data() + pos;
    const Byte* there = here - offset;
    std::uint32_t n = 0;
    while (n < maxLength && here[n] == there[n]) ++n;
    return n;
  }

  Match FindNear(std::size_t pos, std::uint32_t maxLength) const {
    Match best;
    std::uint32_t reach = static_cast<std::uint32_t>(std::min<std::size_t>(kMaxShortOffset, pos));
    const Byte* here = m_data.data() + pos;
    for (std::uint32_t offset = 1; offset <= reach; ++offset) {
      if (here[-static_cast<std::ptrdiff_t>(offset)] != here[0]) continue;
      std::uint32_t length = CommonLength(pos, offset, maxLength);
      if (length > best.length) best = {length, offset};
      if (length == maxLength) break;
    }
    return best;
  }

  void FindFar(std::size_t pos, std::uint32_t maxLength, Match& best) const {
    if (pos + 4 > m_data.size() || best.length == maxLength) return;
    std::uint32_t candidate = m_head[Hash(pos)];
    for (std::uint32_t tries = m_depth; candidate != 0 && tries != 0; --tries) {
      std::size_t from = candidate - 1;
      std::size_t offset = pos - from;
      if (offset > kMaxLongOffset) break;
      if (offset > kMaxShortOffset) {  // the nearer ones were all tried already
        std::uint32_t length = CommonLength(pos, static_cast<std::uint32_t>(offset), maxLength);
        if (length > best.length) {
          best = {length, static_cast<std::uint32_t>(offset)};
          if (length == maxLength) break;
        }
      }
      candidate = m_previous[from & (kRing - 1)];
    }
  }

  std::span<const Byte> m_data;
  std::uint32_t m_depth;
  std::vector<std::uint32_t> m_head;      // per hash: last position + 1, 0 for none
  std::vector<std::uint32_t> m_previous;  // per position (mod kRing): the one before it + 1
};

class CTokenWriter {
 public:
  CTokenWriter(std::vector<Byte>& out, MarkerPair markers) : m_out(out), m_markers(markers) {
    m_out.push_back(markers.shortMarker);
    m_out.push_back(markers.longMarker);
  }

  bool IsMarker(Byte b) const { return b == m_markers.shortMarker || b == m_markers.longMarker; }
  bool HasLongMatches() const { return m_markers.shortMarker != m_markers.longMarker; }
  std::uint32_t LiteralCost(Byte b) const { return IsMarker(b) ? kEscapedCost : kLiteralCost; }

  // The cost of a match, or 0 when no token can carry it.
  std::uint32_t MatchCost(const Match& m) const {
    if (m.offset <= kMaxShortOffset) return kShortMatchCost;
    return HasLongMatches() ? kLongMatchCost : 0;
  }

  void Literal(Byte b) {
    m_out.push_back(b);
    if (IsMarker(b)) m_out.push_back(0);
  }

  void Copy(const Match& m) {
    auto d = static_cast<Byte>(m.length << 4 | (m.offset & 0x0F));
    if (m.offset <= kMaxShortOffset) {
      m_out.insert(m_out.end(), {m_markers.shortMarker, d});
    } else {
      m_out.insert(m_out.end(), {m_markers.longMarker, d, static_cast<Byte>(m.offset >> 4)});
    }
  }

 private:
  std::vector<Byte>& m_out;
  MarkerPair m_markers;
};

std::uint32_t MaxLengthAt(std::size_t pos, std::size_t end) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(kMaxMatchLength, end - pos));
}

// Bytes saved by m against literals (the bytes it covers, escapes counted),
// or a negative value when it saves nothing or no token can carry it.
long Saving(std::span<const Byte> data, std::size_t pos, const Match& m, const CTokenWriter& out) {
  std::uint32_t cost = out.MatchCost(m);
  if (m.length < 2 || cost == 0) return -1;
  long literals = 0;
  for (std::uint32_t i = 0; i < m.length; ++i) literals += out.LiteralCost(data[pos + i]);
  return literals - static_cast<long>(cost);
}

// The better of the two candidates by bytes saved.
Match BestOf(std::span<const Byte> data, std::size_t pos, const Candidates& c, const CTokenWriter& out,
             long& saving) {
  long savingShort = Saving(data, pos, c.shortest, out);
  long savingLong = Saving(data, pos, c.longest, out);
  saving = std::max(savingShort, savingLong);
  return savingLong > savingShort ? c.longest : c.shortest;
}

void EncodeGreedy(std::span<const Byte> data, CMatchFinder& finder, CTokenWriter& out, bool lazy) {
  const std::size_t n = data.size();
  std::size_t pos = 0;
  bool havePending = false;  // the candidates at pos were found already (lazy look-ahead)
  Candidates pending;
  while (pos < n) {
    Candidates here = havePending ? pending : finder.FindAndInsert(pos, MaxLengthAt(pos, n));
    havePending = false;
    long saving = 0;
    Match best = BestOf(data, pos, here, out, saving);
    if (saving > 0 && lazy && pos + 1 < n) {
      pending = finder.FindAndInsert(pos + 1, MaxLengthAt(pos + 1, n));
      havePending = true;
      long nextSaving = 0;
      BestOf(data, pos + 1, pending, out, nextSaving);
      if (nextSaving > saving) saving = 0;  // a literal now, the better match next
    }
    if (saving <= 0) {
      out.Literal(data[pos]);
      ++pos;
      continue;
    }
    out.Copy(best);
    std::size_t next = pos + best.length;
    for (std::size_t p = pos + (havePending ? 2 : 1); p < next; ++p) finder.Insert(p);
    havePending = false;
    pos = next;
  }
}

// Shortest path over the segment [begin, end): each position's cheapest
// arrival, then the tokens along the path back from the end. Of two paths
// of equal size the one with fewer matches wins: the decoder's time goes by
// tokens, not bytes.
void EncodeOptimalSegment(std::span<const Byte> data, std::size_t begin, std::size_t end, CMatchFinder& finder,
                          CTokenWriter& out, std::vector<std::uint64_t>& price, std::vector<Match>& step) {
  static_assert(kSegmentSize < (std::size_t{1} << kTokenBits));
  const std::size_t count = end - begin;
  constexpr std::uint64_t kUnreached = std::numeric_limits<std::uint64_t>::max();
  price.assign(count + 1, kUnreached);
  step.assign(count + 1, Match{});
  price[0] = 0;
  for (std::size_t k = 0; k < count; ++k) {
    std::size_t pos = begin + k;
    std::uint64_t here = price[k];
    std::uint64_t literal = here + (std::uint64_t{out.LiteralCost(data[pos])} << kTokenBits);
    if (literal < price[k + 1]) {
      price[k + 1] = literal;
      step[k + 1] = Match{1, 0};
    }
    Candidates c = finder.FindAndInsert(pos, MaxLengthAt(pos, end));
    for (const Match& m : {c.shortest, c.longest}) {
      std::uint32_t cost = out.MatchCost(m);
      if (cost == 0) continue;
      std::uint64_t total = here + (std::uint64_t{cost} << kTokenBits) + 1;
      for (std::uint32_t length = 2; length <= m.length; ++length) {
        if (total < price[k + length]) {
          price[k + length] = total;
          step[k + length] = Match{length, m.offset};
        }
      }
    }
  }
  std::vector<Match> path;
  for (std::size_t k = count; k > 0; k -= step[k].length) path.push_back(step[k]);
  std::size_t pos = begin;
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    if (it->offset == 0) {
      out.Literal(data[pos]);
    } else {
      out.Copy(*it);
    }
    pos += it->length;
  }
}

void EncodeOptimal(std::span<const Byte> data, CMatchFinder& finder, CTokenWriter& out) {
  std::vector<std::uint64_t> price;
  std::vector<Match> step;
  for (std::size_t begin = 0; begin < data.size(); begin += kSegmentSize) {
    std::size_t end = std::min(data.size(), begin + kSegmentSize);
    EncodeOptimalSegment(data, begin, end, finder, out, price, step);
  }
}

}  // namespace

MarkerPair ChooseMarkers(std::span<const Byte> data) {
  std::array<std::size_t, 256> counts{};
  for (Byte b : data) ++counts[b];
  std::array<Byte, 256> order;
  for (int i = 0; i < 256; ++i) order[static_cast<std::size_t>(i)] = static_cast<Byte>(i);
  std::stable_sort(order.begin(), order.end(), [&](Byte x, Byte y) { return counts[x] < counts[y]; });
  return {order[0], order[1]};
}

std::vector<Byte> EncodeEntry(std::span<const Byte> data, const EncoderOptions& options) {
  std::vector<Byte> stored;
  stored.reserve(2 + data.size() + data.size() / 8);
  CTokenWriter out(stored, options.markers ? *options.markers : ChooseMarkers(data));
  CMatchFinder finder(data, options.chainDepth);
  switch (options.strategy) {
    case ParseStrategy::Greedy: EncodeGreedy(data, finder, out, false); break;
    case ParseStrategy::Lazy: EncodeGreedy(data, finder, out, true); break;
    case ParseStrategy::Optimal: EncodeOptimal(data, finder, out); break;
  }
  return stored;
}

}  // namespace qor
