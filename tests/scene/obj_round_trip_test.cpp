// Scenes written and read back: every number returns bit for bit, and everything that passed
// through returns unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "scene/float_text.h"
#include "scene/obj/obj_reader.h"
#include "scene/obj/obj_writer.h"
#include "scene/scene_error.h"
#include "support/float_bits.h"

namespace {

using palisor_scene::ReadObjText;
using palisor_scene::Scene;
using palisor_scene::WriteObjText;

float FromBits(uint32_t bits) {
  float value = 0.0f;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The bits that reading `text` as strtof does gives.
uint32_t ReadBack(const std::string& text) {
  float value = 0.0f;
  EXPECT_TRUE(palisor_scene::ParseFloat(text.data(), text.data() + text.size(), value)) << text;
  return Bits(value);
}

TEST(FloatTextTest, EveryKindOfFloatReadsBackBitForBit) {
  const uint32_t special[] = {
      0x00000000, 0x80000000,                          // zeros
      0x00000001, 0x80000001, 0x007FFFFF, 0x00400000,  // subnormals
      0x00800000, 0x7F7FFFFF, 0xFF7FFFFF,              // extremes of the normal range
      0x3F800000, 0x3F800001, 0x3DCCCCCD, 0x4B7FFFFF,  // 1, its neighbour, 0.1, 2^24 - 1
      0x7F800000, 0xFF800000,                          // infinities
      0x7FC00000, 0xFFC00000, 0x7FC00123, 0xFFFFFFFF,  // quiet not-a-numbers with payloads
  };
  for (uint32_t bits : special) {
    EXPECT_EQ(ReadBack(palisor_scene::FloatText(FromBits(bits))), bits) << std::hex << bits;
  }
  std::mt19937 random(20240611);
  for (int i = 0; i < 200000; ++i) {
    const uint32_t bits = random();
    const float value = FromBits(bits);
    if (std::isnan(value) && (bits & 0x00400000u) == 0)
      continue;  // text cannot hold a signalling one
    ASSERT_EQ(ReadBack(palisor_scene::FloatText(value)), bits) << std::hex << bits;
  }
}

// Text holds no signalling not-a-number: one is written as its quiet twin, which reads back.
TEST(FloatTextTest, ASignallingNotANumberIsWrittenAsItsQuietTwin) {
  const struct {
    uint32_t bits;
    const char* text;
    uint32_t readBack;
  } cases[] = {
      {0xFFB4206F, "-nan(0x34206f)", 0xFFF4206F},
      {0x7F800001, "nan(0x1)", 0x7FC00001},
      {0x7FBFFFFF, "nan(0x3fffff)", 0x7FFFFFFF},
      {0xFF800001, "-nan(0x1)", 0xFFC00001},
  };
  for (const auto& test : cases) {
    const std::string text = palisor_scene::FloatText(FromBits(test.bits));
    EXPECT_EQ(text, test.text) << std::hex << test.bits;
    EXPECT_EQ(ReadBack(text), test.readBack) << std::hex << test.bits;
    EXPECT_EQ(ReadBack(palisor_scene::FloatText(FromBits(test.readBack))), test.readBack);
  }
}

// Any decimal text, however many digits, however close to halfway between two floats, in range or
// not: the bits strtof gives.
TEST(FloatTextTest, DecimalTextReadsAsStrtofReadsIt) {
  std::mt19937 random(99);
  const char* const fixed[] = {"+1.5",
                               "-0.0",
                               "1e-46",
                               "1e-45",
                               "7e-46",
                               "1.4012984e-45",
                               "1e39",
                               "-1e39",
                               "3.4028236e38",
                               "3.40282357e38",
                               "1.00000006",
                               "1.0000000596046447753906250",
                               "16777217",
                               ".5e-3",
                               "5.",
                               "1e+2",
                               "0.000000000000000000000000000000000000011754942",
                               "-",
                               "e5",
                               "1e",
                               "1.2.3",
                               "1-2",
                               "--1",
                               "+-1"};
  // Every text strtof reads is also read as a vertex's coordinate in a scene, through the
  // reader's own fast path for plain decimals; a text it does not read makes the scene refused.
  std::string scene = "o numbers\n";
  std::vector<uint32_t> sceneBits;
  auto agree = [&](const std::string& text) {
    float parsed = 0.0f;
    const bool read = palisor_scene::ParseFloat(text.data(), text.data() + text.size(), parsed);
    char* stop = nullptr;
    const float expected = std::strtof(text.c_str(), &stop);
    const bool strtofReadAll = !text.empty() && stop == text.c_str() + text.size();
    EXPECT_EQ(read, strtofReadAll) << text;
    if (read && strtofReadAll) {
      EXPECT_EQ(Bits(parsed), Bits(expected)) << text;
      scene += "v 0 " + text + " 1\n";
      sceneBits.push_back(Bits(expected));
    } else {
      EXPECT_THROW(ReadObjText("o x\nv 0 " + text + " 1\n", "numbers.obj"),
                   palisor_scene::SceneError)
          << text;
    }
  };
  for (const char* text : fixed) agree(text);
  for (int i = 0; i < 100000; ++i) {
    std::string text = random() % 2 ? "-" : "";
    const int digits = 1 + static_cast<int>(random() % 30);
    for (int k = 0; k < digits; ++k) text += static_cast<char>('0' + random() % 10);
    if (random() % 2) text.insert(1 + random() % text.size(), ".");
    if (random() % 2) text += "e" + std::to_string(static_cast<int>(random() % 100) - 60);
    agree(text);
  }
  const Scene read = ReadObjText(scene, "numbers.obj");
  ASSERT_EQ(read.objects.size(), 1u);
  ASSERT_EQ(read.objects[0].vertices.size(), sceneBits.size());
  for (std::size_t k = 0; k < sceneBits.size(); ++k) {
    ASSERT_EQ(Bits(read.objects[0].vertices[k].y), sceneBits[k]) << k;
  }
}

TEST(FloatTextTest, OnlyAWholeNumberIsANumber) {
  float value = 0.0f;
  for (const char* text : {"", "1.5x", "x", "1,5", " 1", "--1"}) {
    EXPECT_FALSE(palisor_scene::ParseFloat(text, text + std::strlen(text), value)) << text;
  }
  const char* subnormal = "1e-40";
  ASSERT_TRUE(palisor_scene::ParseFloat(subnormal, subnormal + 5, value));
  EXPECT_EQ(Bits(value), Bits(std::strtof(subnormal, nullptr)));
  EXPECT_NE(value, 0.0f);
}

TEST(ObjRoundTripTest, VerticesReadBackBitForBit) {
  std::mt19937 random(7);
  Scene scene;
  scene.objects.resize(2);
  scene.objects[0].name = "random bits";
  for (int i = 0; i < 20000; ++i) {
    Vector3 point{FromBits(random()), FromBits(random()), FromBits(random())};
    for (float* coordinate : {&point.x, &point.y, &point.z}) {
      if (std::isnan(*coordinate)) *coordinate = FromBits(Bits(*coordinate) | 0x00400000u);
    }
    scene.objects[0].vertices.push_back(point);
  }
  scene.objects[1].name = "edges";
  scene.objects[1].vertices = {{-0.0f, 1e-45f, -1e-45f},
                               {3.4028235e38f, -3.4028235e38f, 1.17549435e-38f},
                               {INFINITY, -INFINITY, 0.1f}};
  const Scene read = ReadObjText(WriteObjText(scene), "written.obj");
  ASSERT_EQ(read.objects.size(), 2u);
  for (std::size_t k = 0; k < 2; ++k) {
    const auto& written = scene.objects[k].vertices;
    const auto& back = read.objects[k].vertices;
    ASSERT_EQ(back.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
      ASSERT_EQ(std::memcmp(&back[i], &written[i], sizeof(Vector3)), 0) << k << " " << i;
    }
  }
}

TEST(ObjRoundTripTest, AFileReadAndWrittenChangesNoNumberAndLosesNothing) {
  const std::string original =
      "# made by hand\n"
      "mtllib skin.mtl\n"
      "o head \n"
      "v 0.1 1e-45 -0\n"
      "v 1.00000001 2 3 0.5 0.5 0.5\n"
      "v 1 1 0\n"
      "v 9 9 9\n"
      "vt 0.25 0.75\n"
      "vt 1 0 0\n"
      "vn 0 0 1\n"
      "usemtl skin\n"
      "s 1\n"
      "f 1/1/1 2/2/1 3/1/1\n"
      "g back\n"
      "f -2//-1 -3//-1 -4//-1\n"
      "o \xE4\xBD\x93\n"
      "v 5 5 5\n"
      "v 6 5 5\n"
      "v 6 6 5\n"
      "f -3 -2 -1\n"
      "f 5/1 6/2 7/1\n"
      "# palisor-bind 2 1\n";
  // The second object's last face names texture coordinates of the first object: not allowed.
  EXPECT_THROW(ReadObjText(original, "a.obj"), palisor_scene::SceneError);

  const std::string valid = original.substr(0, original.find("f 5/1")) + "# palisor-bind 2 1\n";
  const Scene first = ReadObjText(valid, "a.obj");
  const std::string written = WriteObjText(first);
  EXPECT_EQ(written,
            "# made by hand\n"
            "mtllib skin.mtl\n"
            "o head \n"
            "v 0.1 1e-45 -0\n"
            "v 1 2 3 0.5 0.5 0.5\n"
            "v 1 1 0\n"
            "v 9 9 9\n"
            "vt 0.25 0.75\n"
            "vt 1 0 0\n"
            "vn 0 0 1\n"
            "usemtl skin\n"
            "s 1\n"
            "f 1/1/1 2/2/1 3/1/1\n"
            "g back\n"
            "f 3//1 2//1 1//1\n"
            "o \xE4\xBD\x93\n"
            "v 5 5 5\n"
            "v 6 5 5\n"
            "v 6 6 5\n"
            "f 5 6 7\n"
            "# palisor-bind 2 1\n");
  // Written text is a fixed point.
  EXPECT_EQ(WriteObjText(ReadObjText(written, "b.obj")), written);
}

// What a scene says in words: its header lines, its objects' names, their vertex tails and kept
// statements, and its bindings.
std::vector<std::string> Words(const Scene& scene) {
  std::vector<std::string> words = scene.header;
  for (const palisor_scene::SceneObject& object : scene.objects) {
    words.push_back("o:" + object.name);
    for (const std::string& tail : object.passthrough->vertexTails) words.push_back("t:" + tail);
    for (const auto& statement : object.passthrough->statements) {
      words.push_back("s:" + statement.text);
    }
  }
  for (const auto& binding : scene.bindings) {
    words.push_back("b:" + std::to_string(binding.base) + "," + std::to_string(binding.target));
  }
  return words;
}

TEST(ObjRoundTripTest, NamesAndCommentsKeepEveryCarriageReturnThroughEveryCycle) {
  struct Case {
    const char* text;
    std::vector<std::string> words;
  };
  const Case cases[] = {
      {"o face\r\n", {"o:face"}},
      {"o face\r\r\n", {"o:face\r"}},
      {"o face\r\r\r\n", {"o:face\r\r"}},
      {"o face\r", {"o:face\r"}},
      {"o face\r\r", {"o:face\r\r"}},
      {"# note\r\r\no a\n", {"# note\r", "o:a"}},
      {"o a\nv 0 0 0 1\r\r\nv 1 0 0\r\n", {"o:a", "t: 1\r", "t:"}},
      {"o a\nusemtl skin\r\r\n# end\r\r", {"o:a", "s:usemtl skin\r", "s:# end\r\r"}},
      {"o a\r\r\no b\r\n# palisor-bind 1 2\r\r\n", {"o:a\r", "o:b", "b:0,1"}},
      {"o a\no b\n# palisor-bind 2 1\r\r", {"o:a", "o:b", "b:1,0"}},
      {"# palisor-bind\r\r\no a\n", {"# palisor-bind\r", "o:a"}},
  };
  for (const Case& c : cases) {
    Scene scene = ReadObjText(c.text, "cr.obj");
    for (int cycle = 0; cycle < 3; ++cycle) {
      EXPECT_EQ(Words(scene), c.words) << c.text << " after " << cycle << " cycles";
      scene = ReadObjText(WriteObjText(scene), "cr.obj");
    }
  }
}

// A text of several megabytes, as the writer writes it, is read in pieces on every thread and
// must come back byte for byte: no line lost, doubled or taken into the wrong object.
TEST(ObjRoundTripTest, ALargeTextReadOnEveryThreadWritesBackByteForByte) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> coordinate(-10.0f, 10.0f);
  std::string text = "mtllib big.mtl\n";
  int64_t vertexTotal = 0;
  for (int object = 0; object < 3; ++object) {
    text += "o part " + std::to_string(object) + "\r\r\n";
    const int vertices = 40000 + 1000 * object;
    for (int k = 0; k < vertices; ++k) {
      text += "v " + palisor_scene::FloatText(coordinate(random)) + " " +
              palisor_scene::FloatText(coordinate(random)) + " " +
              palisor_scene::FloatText(coordinate(random));
      text += k % 997 == 0 ? " 0.5\n" : "\n";
    }
    text += "vt 0 0\nvt 1 0\n";
    for (int k = 0; k + 2 < vertices; ++k) {
      if (k % 5000 == 0) text += "usemtl m" + std::to_string(k) + "\n";
      const int64_t a = vertexTotal + k + 1;
      text += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " + std::to_string(a + 2);
      text += object == 1 ? "/" + std::to_string(2 * object + 1 + k % 2) + "\n" : "\n";
    }
    vertexTotal += vertices;
  }
  ASSERT_GT(text.size(), std::size_t{4} << 20);
  EXPECT_EQ(WriteObjText(ReadObjText(text, "big.obj")), text);
}

TEST(ObjRoundTripTest, IndexesAreRenumberedAcrossTheWholeFile) {
  Scene scene = ReadObjText(
      "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n"
      "o b\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf -3/-1/-1 -2/-1/-1 -1/-1/-1\n",
      "a.obj");
  // Drop the first object: the second's indexes must now start at 1.
  scene.objects.erase(scene.objects.begin());
  EXPECT_EQ(WriteObjText(scene),
            "o b\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n"
            "f 1/1/1 2/1/1 3/1/1\n");
}

}  // namespace
