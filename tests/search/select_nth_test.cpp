#include "search/select_nth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Keyed {
  float key;
  int tag;
};

// Keys in the orders that points come in: random, ordered either way, rising then falling, few
// distinct values, all equal.
std::vector<float> Keys(int pattern, int count, std::mt19937& engine) {
  std::vector<float> keys(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    const auto at = static_cast<std::size_t>(k);
    switch (pattern) {
      case 0:
        keys[at] = std::uniform_real_distribution<float>(-1.0f, 1.0f)(engine);
        break;
      case 1:
        keys[at] = static_cast<float>(k);
        break;
      case 2:
        keys[at] = static_cast<float>(count - k);
        break;
      case 3:
        keys[at] = static_cast<float>(std::min(k, count - k));
        break;
      case 4:
        keys[at] = static_cast<float>(engine() % 5);
        break;
      default:
        keys[at] = 2.5f;
        break;
    }
  }
  return keys;
}

// The element at `nth` is the one a full sort puts there, none before it has a greater key and
// none after it a lesser one, and the elements are the same ones.
TEST(SelectNth, PlacesTheNthElementAsASortWouldForEveryOrderOfKeys) {
  std::mt19937 engine(8);
  for (int pattern = 0; pattern < 6; ++pattern) {
    for (int count : {1, 2, 16, 17, 40, 1000, 5001}) {
      for (int nth : {0, count / 3, count / 2, count - 1}) {
        std::vector<Keyed> elements;
        int tag = 0;
        for (float key : Keys(pattern, count, engine)) elements.push_back({key, tag++});
        std::vector<Keyed> scratch(elements.size());
        SelectNth(elements.data(), elements.data() + nth, elements.data() + count, scratch.data(),
                  [](const Keyed& element) { return element.key; });

        std::vector<float> sorted;
        for (const Keyed& element : elements) sorted.push_back(element.key);
        std::sort(sorted.begin(), sorted.end());
        const float chosen = elements[static_cast<std::size_t>(nth)].key;
        ASSERT_EQ(chosen, sorted[static_cast<std::size_t>(nth)])
            << pattern << " " << count << " " << nth;
        std::vector<int> tags;
        for (int k = 0; k < count; ++k) {
          const Keyed& element = elements[static_cast<std::size_t>(k)];
          ASSERT_TRUE(k < nth ? !(chosen < element.key) : !(element.key < chosen))
              << pattern << " " << count << " " << nth << " at " << k;
          tags.push_back(element.tag);
        }
        std::sort(tags.begin(), tags.end());
        for (int k = 0; k < count; ++k) ASSERT_EQ(tags[static_cast<std::size_t>(k)], k);
      }
    }
  }
}

}  // namespace
