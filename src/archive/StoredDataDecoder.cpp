#include "platform/win32.h"

#include "archive/StoredDataDecoder.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "archive/ArchiveFormat.h"

// The decoder's paths: on x86, SSE2 batches (with an AVX2 build chosen at run
// time); elsewhere, or on an x86 processor without SSE2, the portable token
// loop alone. QOR_DECODER_PORTABLE and QOR_DECODER_NO_DISPATCH pin a path, so
// that the tests run each of them on any machine.
#if defined(__SSE2__) && !defined(QOR_DECODER_PORTABLE)
#define QOR_DECODER_SSE2 1  // built for SSE2 (every x86-64 processor has it): used throughout
#endif
#if (defined(__x86_64__) || defined(__i386__)) && !defined(QOR_DECODER_PORTABLE)
#define QOR_DECODER_BATCHES 1
#include <immintrin.h>
#endif
#if defined(QOR_DECODER_BATCHES) && !defined(QOR_DECODER_SSE2)
// x86 built for processors without SSE2, as the shipped 32-bit library is:
// the batch decoder is built for SSE2 on its own and runs only where the
// processor has it.
#define QOR_SSE2_CODE __attribute__((target("sse2")))
#else
#define QOR_SSE2_CODE
#endif
#if defined(__i386__)
// 32-bit Windows keeps the stack 4-byte aligned, while vector spills want 16
// or 32 bytes: the batch decoder realigns it on entry.
#define QOR_BATCH_ENTRY __attribute__((force_align_arg_pointer, flatten))
#else
#define QOR_BATCH_ENTRY __attribute__((flatten))
#endif

// Contract of the decoder: it never reads outside the input block nor writes
// outside the output window, whatever the stream holds. Every bound is
// checked once per token, never per byte, and stated as an assertion where
// it is relied on (executed in the debug builds the sanitizers and the
// fuzzers run, compiled out otherwise):
//  - a token starts at a block index below kRefillThreshold, so its (at most
//    three) bytes lie in the block; whether they lie inside the entry is
//    checked against the entry's end before the token is used;
//  - a token starts with fewer than kFlushThreshold bytes in the window, and
//    one token adds at most 15, so the window always has more than 16 bytes
//    of room behind the output position. The fast paths use that room: they
//    copy 16 bytes at a time and let the bytes past the token's end be
//    overwritten by the tokens that follow;
//  - a match reads only bytes before the output position (checked per match),
//    and a 16-byte read from there ends before the window does.

#define QOR_DECODER_ASSERT(condition) assert(condition)

namespace qor {
namespace {

using Byte = std::uint8_t;

// Literal runs are scanned and copied this many bytes at a time.
constexpr std::uint32_t kScanWidth = 16;
// The last block index at which a whole scan still lies inside the block.
constexpr std::uint32_t kScanLimit = kInputBlockSize - kScanWidth + 1;
static_assert(kFlushThreshold + kScanWidth <= kOutputWindowSize);

inline void Copy4(Byte* dst, const Byte* src) noexcept {
  std::uint32_t v;
  std::memcpy(&v, src, 4);
  std::memcpy(dst, &v, 4);
}

inline void Copy8(Byte* dst, const Byte* src) noexcept {
  std::uint64_t v;
  std::memcpy(&v, src, 8);
  std::memcpy(dst, &v, 8);
}

// Loads all 16 bytes before storing any, so dst may overlap src.
inline void Copy16(Byte* dst, const Byte* src) noexcept {
#if defined(QOR_DECODER_SSE2)
  _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_loadu_si128(reinterpret_cast<const __m128i*>(src)));
#else
  std::uint64_t lo, hi;
  std::memcpy(&lo, src, 8);
  std::memcpy(&hi, src + 8, 8);
  std::memcpy(dst, &lo, 8);
  std::memcpy(dst + 8, &hi, 8);
#endif
}

// Copies 16 input bytes to the window and tells how many of them are
// literals: the count of bytes before the first one that equals a marker.
class CLiteralScanner {
 public:
  CLiteralScanner(Byte a, Byte m) noexcept
#if defined(QOR_DECODER_SSE2)
      : m_a(_mm_set1_epi8(static_cast<char>(a))), m_m(_mm_set1_epi8(static_cast<char>(m)))
#else
      : m_a(a), m_m(m), m_patternA(kOnes * a), m_patternM(kOnes * m)
#endif
  {
  }

  std::uint32_t CopyLiterals(Byte* dst, const Byte* src) const noexcept {
#if defined(QOR_DECODER_SSE2)
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), bytes);
    __m128i markers = _mm_or_si128(_mm_cmpeq_epi8(bytes, m_a), _mm_cmpeq_epi8(bytes, m_m));
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(markers));
    return static_cast<std::uint32_t>(std::countr_zero(mask | (1u << kScanWidth)));
#else
    Copy16(dst, src);
    if constexpr (std::endian::native == std::endian::little) {
      std::uint64_t lo, hi;
      std::memcpy(&lo, src, 8);
      std::memcpy(&hi, src + 8, 8);
      if (std::uint64_t found = MarkerFlags(lo)) return static_cast<std::uint32_t>(std::countr_zero(found)) / 8;
      if (std::uint64_t found = MarkerFlags(hi)) return 8 + static_cast<std::uint32_t>(std::countr_zero(found)) / 8;
      return kScanWidth;
    } else {
      std::uint32_t n = 0;
      while (n < kScanWidth && src[n] != m_a && src[n] != m_m) ++n;
      return n;
    }
#endif
  }

 private:
#if defined(QOR_DECODER_SSE2)
  __m128i m_a, m_m;
#else
  static constexpr std::uint64_t kOnes = 0x0101010101010101u;
  static constexpr std::uint64_t kHighs = 0x8080808080808080u;

  // The high bit of each byte of `word` that equals a marker, plus possibly
  // of bytes above such a byte (a borrow runs upward only), so the lowest
  // flag is exactly the first marker.
  std::uint64_t MarkerFlags(std::uint64_t word) const noexcept {
    std::uint64_t x = word ^ m_patternA, y = word ^ m_patternM;
    return (((x - kOnes) & ~x) | ((y - kOnes) & ~y)) & kHighs;
  }

  Byte m_a, m_m;
  std::uint64_t m_patternA, m_patternM;
#endif
};

// Copies a match of len bytes from off bytes before dst, as if byte by byte in
// ascending order, each byte read after the ones before it are written.
// That rule also gives a match whose offset (1 to 3) is shorter than its
// length a meaning of its own: it repeats the last off bytes (offset 2,
// length 5 gives xyxyx after ...xy). Decoders that copy such a match in
// four-byte units read bytes it has not produced yet, so no archive can rely
// on their result; this one depends on the stream alone, and our writer
// never emits such a match. Needs 16 bytes of room at dst and 0 < off <= the
// bytes before dst.
inline void CopyMatch(Byte* dst, std::uint32_t off, std::uint32_t len) noexcept {
  const Byte* src = dst - off;
  if (len <= off) [[likely]] {
    Copy16(dst, src);  // every byte it needs lies before dst
  } else if (off >= 8) {
    Copy8(dst, src);  // the second half reads what the first has written
    Copy8(dst + 8, src + 8);
  } else if (off >= 4) {
    Copy4(dst, src);
    Copy4(dst + 4, src + 4);
    Copy4(dst + 8, src + 8);
    Copy4(dst + 12, src + 12);
  } else if (len <= 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  } else {
    for (std::uint32_t i = 0; i < len; ++i) dst[i] = src[i];
  }
}

// Decodes the token at in[idx], whose first byte is a marker. end is the
// entry's end as a block index (at most kInputBlockSize). False for a token
// cut by the end of the entry, or a match the window cannot serve:
//  - offset 0 with a length: it would copy bytes that nothing has produced;
//  - an offset beyond the bytes decoded so far (before the first flush; after
//    it the window always holds kHistorySize bytes of history).
// A match of length 0 copies nothing and is accepted whatever its offset.
inline bool DecodeMarkerToken(const Byte* in, std::uint32_t& idx, std::uint32_t end, Byte* window, std::uint32_t& p,
                              Byte a) noexcept {
  QOR_DECODER_ASSERT(idx < kRefillThreshold && end <= kInputBlockSize);  // all three bytes lie in the block
  QOR_DECODER_ASSERT(p < kFlushThreshold);  // room for a token and a 16-byte copy's overrun
  Byte marker = in[idx];
  Byte d = in[idx + 1];
  if (d == 0) {  // the marker byte itself
    if (idx + 2 > end) return false;
    window[p++] = marker;
    idx += 2;
    return true;
  }
  std::uint32_t isLong = marker != a;  // a byte equal to both markers is the short form
  std::uint32_t consumed = 2 + isLong;
  if (idx + consumed > end) return false;
  std::uint32_t len = d >> 4u;
  std::uint32_t off = (d & 0x0Fu) | ((static_cast<std::uint32_t>(in[idx + 2]) << 4u) & (0u - isLong));
  idx += consumed;
  if (off - 1u >= p) return len == 0;  // offset 0, or reaching before the first byte
  QOR_DECODER_ASSERT(off >= 1 && off <= p && p + kScanWidth <= kOutputWindowSize);
  CopyMatch(window + p, off, len);
  p += len;
  return true;
}

#if defined(QOR_DECODER_BATCHES)
// The batch decoder, the path that nearly every token takes. It classifies
// the 64 input bytes ahead into bit masks, then decodes the next
// kBatchTokens tokens from them: finding a token costs clearing one bit and a
// bit scan, not loading and comparing the bytes before it, and literal runs
// and matches are copied 16 bytes at a time. A batch ends after a fixed
// number of tokens rather than at the end of the classified bytes, so its
// loop ends where the branch predictor expects it to; only a span holding
// fewer tokens (a long literal run) ends early. The next batch classifies
// the bytes from where this one stopped.
constexpr std::uint32_t kClassifiedBytes = 64;
// Tokens starting below this lie wholly among the classified bytes.
constexpr std::uint32_t kTokenSpan = kClassifiedBytes - 2;
constexpr std::uint64_t kTokenStarts = (std::uint64_t{1} << kTokenSpan) - 1;
// Tokens per batch: fewer wastes classifications, more ends more batches
// early (about one in twelve on prose at 8, one in five on executables).
constexpr unsigned kBatchTokens = 8;
// Input bytes a batch may read: its span, and a literal copy's overrun.
constexpr std::uint32_t kBatchReach = kClassifiedBytes + 2 * kScanWidth;
// Output of one batch at most: a span of literals and its matches, plus the
// overrun of the last copy.
constexpr std::uint32_t kMaxBatchOutput = kClassifiedBytes + kBatchTokens * kMaxMatchLength + 2 * kScanWidth;

struct ByteClasses {
  std::uint64_t markers;   // bit i: byte i is a marker (i below kTokenSpan)
  std::uint64_t longForm;  // bit i: a token starting at byte i is a 3-byte long match
};

// Both masks from one byte's three tests, whatever the vector width.
inline ByteClasses MakeByteClasses(std::uint64_t isA, std::uint64_t isM, std::uint64_t isZero) noexcept {
  // A byte equal to both markers is the short form; an M followed by 0x00 is
  // an escaped literal, two bytes long.
  return {(isA | isM) & kTokenStarts, (isM & ~isA) & ~(isZero >> 1)};
}

class CSse2Classifier {
 public:
  QOR_SSE2_CODE CSse2Classifier(Byte a, Byte m) noexcept
      : m_a(_mm_set1_epi8(static_cast<char>(a))), m_m(_mm_set1_epi8(static_cast<char>(m))) {}

  QOR_SSE2_CODE ByteClasses Classify(const Byte* bytes) const noexcept {
    std::uint64_t isA = 0, isM = 0, isZero = 0;
    for (unsigned k = 0; k < kClassifiedBytes / 16; ++k) {
      __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k));
      isA |= Mask(_mm_cmpeq_epi8(v, m_a)) << (16 * k);
      isM |= Mask(_mm_cmpeq_epi8(v, m_m)) << (16 * k);
      isZero |= Mask(_mm_cmpeq_epi8(v, _mm_setzero_si128())) << (16 * k);
    }
    return MakeByteClasses(isA, isM, isZero);
  }

 private:
  QOR_SSE2_CODE static std::uint64_t Mask(__m128i v) noexcept {
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(v)));
  }
  __m128i m_a, m_m;
};

#if !defined(QOR_DECODER_NO_DISPATCH)
#define QOR_HAVE_AVX2_PATH 1
class CAvx2Classifier {
 public:
  __attribute__((target("avx2"))) CAvx2Classifier(Byte a, Byte m) noexcept
      : m_a(_mm256_set1_epi8(static_cast<char>(a))), m_m(_mm256_set1_epi8(static_cast<char>(m))) {}

  __attribute__((target("avx2"))) ByteClasses Classify(const Byte* bytes) const noexcept {
    std::uint64_t isA = 0, isM = 0, isZero = 0;
    for (unsigned k = 0; k < kClassifiedBytes / 32; ++k) {
      __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32 * k));
      isA |= Mask(_mm256_cmpeq_epi8(v, m_a)) << (32 * k);
      isM |= Mask(_mm256_cmpeq_epi8(v, m_m)) << (32 * k);
      isZero |= Mask(_mm256_cmpeq_epi8(v, _mm256_setzero_si256())) << (32 * k);
    }
    return MakeByteClasses(isA, isM, isZero);
  }

 private:
  __attribute__((target("avx2"))) static std::uint64_t Mask(__m256i v) noexcept {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(v)));
  }
  __m256i m_a, m_m;
};
#endif

inline std::size_t LowestBit(std::uint64_t nonZero) noexcept {
#if defined(__i386__)
  // Two 32-bit scans: a 64-bit one is a library call on 32-bit x86.
  auto low = static_cast<std::uint32_t>(nonZero);
  return low != 0 ? static_cast<std::size_t>(std::countr_zero(low))
                  : 32 + static_cast<std::size_t>(std::countr_zero(static_cast<std::uint32_t>(nonZero >> 32)));
#else
  return static_cast<std::size_t>(__builtin_ctzll(nonZero));
#endif
}

// All ones when bit q of bits is set, else zero; on x86-64 a bit test and a
// subtract-with-borrow, two instructions on the decoder's busiest path.
inline std::size_t LongMask(std::uint64_t bits, std::size_t q) noexcept {
#if defined(__x86_64__)
  std::size_t mask;
  __asm__("btq %2, %1\n\tsbbq %0, %0" : "=r"(mask) : "r"(bits), "r"(q) : "cc");
  return mask;
#else
  return 0 - static_cast<std::size_t>((bits >> q) & 1u);
#endif
}

// Copies a literal run of up to kClassifiedBytes bytes, 16 at a time.
inline void CopyRun(Byte* dst, const Byte* src, std::size_t n) noexcept {
  Copy16(dst, src);
  Copy16(dst + 16, src + 16);
  if (n > 2 * kScanWidth) [[unlikely]]
    for (std::size_t k = 2 * kScanWidth; k < n; k += kScanWidth) Copy16(dst + k, src + k);
}

// Decodes batches while one more fits before inLimit and its output fits
// before the flush threshold (so no flush or refill falls inside a batch);
// leaves the rest to the token loop. Every token it decodes ends before
// inLimit, which is never past the entry's end, so no token here can be cut.
// False for a match the window cannot serve (as in DecodeMarkerToken).
// Built once per classifier, each build chosen at run time.
template <class Classifier>
__attribute__((always_inline)) inline bool DecodeBatchesBody(const Byte* in, std::uint32_t& idxInOut,
                                                             std::uint32_t inLimit, Byte* window,
                                                             std::uint32_t& pInOut, Byte a, Byte m) noexcept {
  const Classifier classifier(a, m);
  std::size_t base = idxInOut, p = pInOut;
  while (base + kBatchReach <= inLimit && p + kMaxBatchOutput < kFlushThreshold) {
    // The batch reads at most kBatchReach bytes from base, all before the
    // limit, and writes at most kMaxBatchOutput, all before the threshold.
    QOR_DECODER_ASSERT(inLimit <= kInputBlockSize);
    const Byte* block = in + base;
    const ByteClasses classes = classifier.Classify(block);
    // Marker bits are taken in turn; a marker byte inside the previous token
    // (its second or third byte) is skipped. So the loop carries only the
    // clearing of one bit from token to token.
    std::uint64_t pending = classes.markers;
    std::size_t s = 0;  // start of the literal run before the next token
#pragma GCC unroll 8
    for (unsigned t = 0; t < kBatchTokens; ++t) {
      if (pending == 0) [[unlikely]]
        goto literalTail;
      std::size_t q = LowestBit(pending);
      pending &= pending - 1;
      if (q < s) [[unlikely]]
        continue;
      CopyRun(window + p, block + s, q - s);
      p += q - s;
      const Byte* token = block + q;
      std::size_t longMask = LongMask(classes.longForm, q);
      std::size_t d = token[1];
      std::size_t off = (d & 0x0Fu) | ((static_cast<std::size_t>(token[2]) << 4u) & longMask);
      if (off - 1 >= p) [[unlikely]] {  // offset 0, an escaped marker included, or reaching too far
        if ((d >> 4u) != 0) return false;
        window[p] = token[0];
        p += d == 0;
      } else {
        CopyMatch(window + p, static_cast<std::uint32_t>(off), static_cast<std::uint32_t>(d >> 4u));
        p += d >> 4u;
      }
      s = q + 2 - longMask;
    }
    base += s;
    continue;
  literalTail:
    // No token starts between s and the span's end: those bytes are literals.
    if (s < kTokenSpan) {
      CopyRun(window + p, block + s, kTokenSpan - s);
      p += kTokenSpan - s;
      s = kTokenSpan;
    }
    base += s;
  }
  idxInOut = static_cast<std::uint32_t>(base);
  pInOut = static_cast<std::uint32_t>(p);
  return true;
}

// flatten (in QOR_BATCH_ENTRY): the classifiers' members, built for their
// instruction sets, cannot be inlined into the generic body on their own,
// only into a function built for the same set as a whole.
QOR_SSE2_CODE QOR_BATCH_ENTRY bool DecodeBatchesSse2(const Byte* in, std::uint32_t& idx, std::uint32_t inLimit,
                                                     Byte* window, std::uint32_t& p, Byte a, Byte m) noexcept {
  return DecodeBatchesBody<CSse2Classifier>(in, idx, inLimit, window, p, a, m);
}

#if defined(QOR_HAVE_AVX2_PATH)
__attribute__((target("avx2,bmi,bmi2"))) QOR_BATCH_ENTRY bool DecodeBatchesAvx2(const Byte* in, std::uint32_t& idx,
                                                                                std::uint32_t inLimit, Byte* window,
                                                                                std::uint32_t& p, Byte a,
                                                                                Byte m) noexcept {
  return DecodeBatchesBody<CAvx2Classifier>(in, idx, inLimit, window, p, a, m);
}
#endif

using DecodeBatchesFunction = bool (*)(const Byte*, std::uint32_t&, std::uint32_t, Byte*, std::uint32_t&, Byte,
                                       Byte) noexcept;

// Null when the processor has no SSE2: then the token loop does all the work.
DecodeBatchesFunction ChooseBatchDecoder() noexcept {
  __builtin_cpu_init();
#if defined(QOR_HAVE_AVX2_PATH)
  if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2"))
    return &DecodeBatchesAvx2;
#endif
#if !defined(QOR_DECODER_SSE2)
  if (!__builtin_cpu_supports("sse2")) return nullptr;
#endif
  return &DecodeBatchesSse2;
}

// Chosen on first use; every thread gets the same answer.
DecodeBatchesFunction BatchDecoder() noexcept {
  static const DecodeBatchesFunction chosen = ChooseBatchDecoder();
  return chosen;
}
#endif

// Decodes tokens while the next one starts below block index inLimit and the
// window holds fewer than kFlushThreshold bytes. False for a malformed token.
bool DecodeTokens(const Byte* in, std::uint32_t& idxInOut, std::uint32_t inLimit, std::uint32_t end, Byte* window,
                  std::uint32_t& pInOut, Byte a, Byte m) noexcept {
#if defined(QOR_DECODER_BATCHES)
  if (DecodeBatchesFunction decode = BatchDecoder(); decode && !decode(in, idxInOut, inLimit, window, pInOut, a, m))
    return false;
#endif
  std::uint32_t idx = idxInOut, p = pInOut;
  const CLiteralScanner scanner(a, m);
  bool ok = true;
  const std::uint32_t fastLimit = std::min(inLimit, kScanLimit);
  while (idx < fastLimit && p < kFlushThreshold) {
    // A scan reads 16 bytes inside the block and writes 16 inside the window.
    QOR_DECODER_ASSERT(idx + kScanWidth <= kInputBlockSize && p + kScanWidth <= kOutputWindowSize);
    std::uint32_t n = scanner.CopyLiterals(window + p, in + idx);
    std::uint32_t room = std::min(inLimit - idx, kFlushThreshold - p);
    if (n >= room) {  // the literal run reaches a flush or a refill
      idx += room;
      p += room;
      break;
    }
    idx += n;
    p += n;
    if (n == kScanWidth) continue;
    if (!DecodeMarkerToken(in, idx, end, window, p, a)) {
      ok = false;
      break;
    }
  }
  // The last bytes before a refill, too close to the block's end to scan.
  while (ok && idx < inLimit && p < kFlushThreshold) {
    Byte c = in[idx];
    if (c != a && c != m) {
      window[p++] = c;
      ++idx;
    } else {
      ok = DecodeMarkerToken(in, idx, end, window, p, a);
    }
  }
  idxInOut = idx;
  pInOut = p;
  return ok;
}

}  // namespace

bool CDecoderBuffers::Allocate() noexcept {
  if (m_input) return true;
  try {
    // The input block starts zeroed and later holds bytes of earlier reads:
    // bytes past the entry's end are read ahead but never decoded, and they
    // always hold some value written before.
    auto input = std::make_unique<Byte[]>(kInputBlockSize);
    m_window = std::make_unique_for_overwrite<Byte[]>(kOutputWindowSize);
    m_input = std::move(input);
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

std::unique_ptr<CDecoderBuffers> CDecoderBufferPool::Take() noexcept {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_spare.empty()) {
      std::unique_ptr<CDecoderBuffers> buffers = std::move(m_spare.back());
      m_spare.pop_back();
      return buffers;
    }
  }
  std::unique_ptr<CDecoderBuffers> buffers(new (std::nothrow) CDecoderBuffers);
  if (!buffers || !buffers->Allocate()) return nullptr;
  return buffers;
}

void CDecoderBufferPool::Give(std::unique_ptr<CDecoderBuffers> buffers) noexcept {
  if (!buffers) return;
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_spare.size() >= kMaxSpare) return;
  try {
    m_spare.push_back(std::move(buffers));
  } catch (const std::bad_alloc&) {
    // Not kept: freed here instead.
  }
}

std::int64_t DecodeStoredEntry(CByteFile& archive, std::uint64_t start, std::uint64_t storedLength,
                               std::uint32_t unpackedLength, CByteFile& output) noexcept {
  CDecoderBuffers buffers;
  if (!buffers.Allocate()) return -1;
  return DecodeStoredEntry(archive, start, storedLength, unpackedLength, output, buffers);
}

std::int64_t DecodeStoredEntry(CByteFile& archive, std::uint64_t start, std::uint64_t storedLength,
                               std::uint32_t unpackedLength, CByteFile& output, CDecoderBuffers& buffers) noexcept {
  if (!buffers.Allocate()) return -1;
  Byte* in = buffers.m_input.get();
  Byte* window = buffers.m_window.get();

  if (!archive.Seek(start)) return -1;
  // Only the entry's bytes are read: a small entry costs its own length,
  // not a whole block.
  const auto firstRead = static_cast<std::uint32_t>(std::min<std::uint64_t>(storedLength, kInputBlockSize));
  std::uint32_t got = 0;
  if (!archive.Read(in, firstRead, got)) return -1;
  // A file shorter than its catalogue says (one changed after its catalogue
  // was read) gives -1 rather than decoding stale bytes.
  if (got < firstRead) return -1;

  const Byte a = in[0], m = in[1];
  const std::uint64_t entryEnd = start + storedLength;
  std::uint64_t blockStart = start;  // file position of in[0]
  std::uint32_t idx = 2;             // block index of the next token
  std::uint32_t p = 0;               // output position in the window
  std::uint64_t written = 0;
  bool flushed = false;

  while (blockStart + idx < entryEnd) {
    if (p >= kFlushThreshold) {
      const Byte* chunk = flushed ? window + kHistorySize : window;
      std::uint32_t chunkLength = flushed ? p - kHistorySize : p;
      // An entry that already decodes to more than its catalogue length can
      // only fail; stop before writing more of it.
      if (written + chunkLength > unpackedLength) return -1;
      if (!output.Write(chunk, chunkLength)) return -1;
      written += chunkLength;
      flushed = true;
      std::memcpy(window, window + p - kHistorySize, kHistorySize);
      p = kHistorySize;
    }
    if (idx >= kRefillThreshold) {
      std::uint32_t rest = kInputBlockSize - idx;
      std::memmove(in, in + idx, rest);
      blockStart += idx;
      // The block is filled up to the entry's end at most; a read failure
      // while refilling ends the extraction like every other file failure.
      std::uint64_t needed = std::min(entryEnd, blockStart + kInputBlockSize);
      auto count = static_cast<std::uint32_t>(needed > blockStart + rest ? needed - (blockStart + rest) : 0);
      if (count != 0 && (!archive.Read(in + rest, count, got) || got < count)) return -1;
      idx = 0;
    }
    const auto end = static_cast<std::uint32_t>(std::min<std::uint64_t>(entryEnd - blockStart, kInputBlockSize));
    const std::uint32_t inLimit = std::min(end, kRefillThreshold);
    if (!DecodeTokens(in, idx, inLimit, end, window, p, a, m)) return -1;
  }

  const Byte* rest = flushed ? window + kHistorySize : window;
  std::uint32_t restLength = flushed ? p - kHistorySize : p;
  std::uint64_t decoded = written + restLength;
  if (decoded != unpackedLength) return -1;
  if (restLength != 0 && !output.Write(rest, restLength)) return -1;
  return static_cast<std::int64_t>(decoded);
}
}  // namespace qor
