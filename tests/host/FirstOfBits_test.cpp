// The weld of bit-identical values that the asset import uses, against the
// node-based hash map it replaced: the same list and the same index for
// every value, on random streams full of repeats, signed zeros and NaNs.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <unordered_map>
#include <vector>

#include "host/reader/FirstOfBits.h"
#include "interface/tsxapi.h"

namespace {

using tsxhost::detail::FirstOfBits;

struct Bits3 {
  uint32_t bits[3];
  bool operator==(const Bits3&) const = default;
};
struct Bits3Hash {
  size_t operator()(const Bits3& k) const {
    return std::hash<uint64_t>()((uint64_t{k.bits[0]} << 32 | k.bits[1]) ^ (uint64_t{k.bits[2]} * 0x9E3779B97F4A7C15ull));
  }
};

// The method replaced: first occurrence by the bits, through a hash map.
class Reference {
 public:
  int32_t Index(std::vector<CtsxVector3f>& list, const CtsxVector3f& v) {
    Bits3 key{};
    std::memcpy(key.bits, &v, sizeof key.bits);
    const auto [it, added] = index_.try_emplace(key, static_cast<int32_t>(list.size()));
    if (added) list.push_back(v);
    return it->second;
  }

 private:
  std::unordered_map<Bits3, int32_t, Bits3Hash> index_;
};

TEST(FirstOfBits, GivesWhatTheHashMapGaveOnRandomStreams) {
  std::mt19937 random(7);
  const float specials[] = {0.0f, -0.0f, std::nanf(""), -std::nanf(""), std::nanf("1"), INFINITY, -INFINITY,
                            1e-45f, -1e-45f};
  for (int round = 0; round < 60; ++round) {
    // Few distinct values in some rounds (many repeats), many in others.
    const uint32_t spread = round % 3 == 0 ? 5u : round % 3 == 1 ? 1000u : 0xFFFFFFFFu;
    const auto component = [&]() -> float {
      if (random() % 10 == 0) return specials[random() % std::size(specials)];
      const uint32_t bits = 0x3F800000u + static_cast<uint32_t>(random()) % spread;
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    };
    std::vector<CtsxVector3f> expectedList, list;
    Reference reference;
    FirstOfBits<CtsxVector3f> weld;
    const int count = 1 + static_cast<int>(random() % 20000);
    // Room made beforehand in some rounds, too little of it in others.
    if (round % 4 == 1) weld.Reserve(list, static_cast<size_t>(count));
    if (round % 4 == 2) weld.Reserve(list, static_cast<size_t>(count) / 7);
    for (int i = 0; i < count; ++i) {
      const CtsxVector3f v{component(), component(), component()};
      weld.Prefetch(v);
      ASSERT_EQ(weld.Index(list, v), reference.Index(expectedList, v)) << "round " << round << ", value " << i;
    }
    ASSERT_EQ(list.size(), expectedList.size());
    EXPECT_EQ(std::memcmp(list.data(), expectedList.data(), list.size() * sizeof(CtsxVector3f)), 0);
  }
}

// One table serves a list that grows across calls (an object read from
// several meshes) and survives its owner moving.
TEST(FirstOfBits, KeepsItsIndicesAcrossGrowthAndMoves) {
  struct Owner {
    std::vector<CtsxUV> uvs;
    FirstOfBits<CtsxUV> weld;
  };
  std::vector<Owner> owners(1);
  for (int i = 0; i < 5000; ++i) {
    EXPECT_EQ(owners[0].weld.Index(owners[0].uvs, {float(i), -float(i)}), i);
    if (i % 1000 == 0) owners.emplace_back();  // moves owners[0]
  }
  for (int i = 4999; i >= 0; --i) EXPECT_EQ(owners[0].weld.Index(owners[0].uvs, {float(i), -float(i)}), i);
  EXPECT_EQ(owners[0].uvs.size(), 5000u);
  EXPECT_EQ(owners[0].weld.Index(owners[0].uvs, {-0.0f, 0.0f}), 5000);  // -0 is not 0
  EXPECT_EQ(owners[0].uvs.size(), 5001u);
}

}  // namespace
