// Reading Wavefront OBJ scenes: objects, vertices, faces in every form, what passes through, and
// every mistake reported with its file and line.
#include "scene/obj/obj_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "scene/scene_error.h"

namespace {

using palisor_scene::ReadObjText;
using palisor_scene::Scene;
using palisor_scene::SceneError;

Scene Read(const std::string& text) {
  return ReadObjText(text, "scene.obj");
}

// The message of the SceneError that reading `text` raises, or "" when it reads fine.
std::string ErrorOf(const std::string& text) {
  try {
    Read(text);
  } catch (const SceneError& error) {
    return error.what();
  }
  return "";
}

TEST(ObjReaderTest, ObjectsTakeTheRestOfTheirLineAsNameByteForByte) {
  const Scene scene = Read(
      "o plain\n"
      "o  leading blank\n"
      "o trailing blanks  \n"
      "o\n"
      "o a=b,c\xE9\x9D\xA2\r\n"
      "   o\tindented\n");
  ASSERT_EQ(scene.objects.size(), 6u);
  EXPECT_EQ(scene.objects[0].name, "plain");
  EXPECT_EQ(scene.objects[1].name, " leading blank");
  EXPECT_EQ(scene.objects[2].name, "trailing blanks  ");
  EXPECT_EQ(scene.objects[3].name, "");
  EXPECT_EQ(scene.objects[4].name, "a=b,c\xE9\x9D\xA2");
  EXPECT_EQ(scene.objects[5].name, "indented");
}

TEST(ObjReaderTest, AByteOrderMarkBeforeTheFirstLineIsSkipped) {
  const Scene scene = Read("\xEF\xBB\xBFo face\nv 1 2 3\no \xEF\xBB\xBFkept\n");
  ASSERT_EQ(scene.objects.size(), 2u);
  EXPECT_EQ(scene.objects[0].name, "face");
  EXPECT_EQ(scene.objects[1].name, "\xEF\xBB\xBFkept");
}

TEST(ObjReaderTest, VerticesBelongToTheObjectAboveThemAndKeepTheirIndexWhenUnused) {
  const Scene scene = Read(
      "o first\n"
      "v 1 2 3\n"
      "v 4 5 6\n"
      "v 7 8 9\n"
      "v 0 0 0\n"
      "f 1 2 3\n"
      "o second\n"
      "v -1 -2 -3\n");
  ASSERT_EQ(scene.objects.size(), 2u);
  const auto& first = scene.objects[0];
  ASSERT_EQ(first.vertices.size(), 4u);
  EXPECT_EQ(first.vertices[3].x, 0.0f);
  EXPECT_EQ(first.vertices[1].y, 5.0f);
  ASSERT_EQ(scene.objects[1].vertices.size(), 1u);
  EXPECT_EQ(scene.objects[1].vertices[0].z, -3.0f);
  EXPECT_TRUE(scene.objects[1].faceSizes.empty());
}

TEST(ObjReaderTest, FacesInEveryFormAndWithRelativeIndexesNameTheObjectsOwnVertices) {
  const Scene scene = Read(
      "o other\n"
      "v 0 0 0\n"
      "vt 0 0\n"
      "vn 0 0 1\n"
      "o mesh\n"
      "v 0 0 0\n"
      "v 1 0 0\n"
      "v 1 1 0\n"
      "v 0 1 0\n"
      "vt 0 0\n"
      "vt 1 0\n"
      "vt 1 1\n"
      "vn 0 0 1\n"
      "f 2 3 4\n"
      "f 2/2 3/3 4/4\n"
      "f 2//2 3//2 5//2\n"
      "f 2/2/2 3/3/2 4/4/2\n"
      "f -4 -3 -2 -1\n"
      "f -4/-3/-1 -3/-2/-1 -2/-1/-1\n");
  const auto& mesh = scene.objects[1];
  ASSERT_EQ(mesh.faceSizes, (std::vector<int32_t>{3, 3, 3, 3, 4, 3}));
  EXPECT_EQ(mesh.faceCorners,
            (std::vector<int32_t>{0, 1, 2, 0, 1, 2, 0, 1, 3, 0, 1, 2, 0, 1, 2, 3, 0, 1, 2}));
  ASSERT_TRUE(mesh.passthrough);
  EXPECT_EQ(
      mesh.passthrough->cornerTexcoords,
      (std::vector<int32_t>{-1, -1, -1, 0, 1, 2, -1, -1, -1, 0, 1, 2, -1, -1, -1, -1, 0, 1, 2}));
  EXPECT_EQ(
      mesh.passthrough->cornerNormals,
      (std::vector<int32_t>{-1, -1, -1, -1, -1, -1, 0, 0, 0, 0, 0, 0, -1, -1, -1, -1, 0, 0, 0}));
  EXPECT_EQ(mesh.passthrough->texcoords, (std::vector<std::string>{"vt 0 0", "vt 1 0", "vt 1 1"}));
  EXPECT_EQ(mesh.passthrough->normals, (std::vector<std::string>{"vn 0 0 1"}));
}

TEST(ObjReaderTest, MaterialsGroupsAndCommentsKeepTheirPlaceAmongTheFaces) {
  const Scene scene = Read(
      "# made by hand\n"
      "mtllib skin.mtl\n"
      "\n"
      "o mesh\n"
      "v 0 0 0\n"
      "v 1 0 0\n"
      "v 1 1 0\n"
      "usemtl skin\n"
      "s 1\n"
      "f 1 2 3\n"
      "g lips\n"
      "usemtl lip  colour \n"
      "s off\n"
      "f 3 2 1\n"
      "# the end\n");
  EXPECT_EQ(scene.header, (std::vector<std::string>{"# made by hand", "mtllib skin.mtl"}));
  const auto& statements = scene.objects[0].passthrough->statements;
  ASSERT_EQ(statements.size(), 6u);
  EXPECT_EQ(statements[0].text, "usemtl skin");
  EXPECT_EQ(statements[0].facesBefore, 0u);
  EXPECT_EQ(statements[1].text, "s 1");
  EXPECT_EQ(statements[2].text, "g lips");
  EXPECT_EQ(statements[2].facesBefore, 1u);
  EXPECT_EQ(statements[3].text, "usemtl lip  colour ");
  EXPECT_EQ(statements[4].text, "s off");
  EXPECT_EQ(statements[5].text, "# the end");
  EXPECT_EQ(statements[5].facesBefore, 2u);
}

TEST(ObjReaderTest, NumbersAreReadAsStrtofReadsThem) {
  const char* const texts[] = {"1e-45", "1.4e-45", "-0",   "3.4028235e38", "1e39", "0x1p-126",
                               "+.5",   "inf",     "-nan", "1.00000001",   "1e-50"};
  for (const char* text : texts) {
    const Scene scene = Read(std::string("o a\nv ") + text + " " + text + " " + text + "\n");
    const float expected = std::strtof(text, nullptr);
    const float read = scene.objects[0].vertices[0].x;
    EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0) << text;
  }
}

TEST(ObjReaderTest, VertexTailsAreKeptOnlyWhenSomeVertexHasOne) {
  const Scene plain = Read("o a\nv 1 2 3\nv 4 5 6  \n");
  EXPECT_TRUE(plain.objects[0].passthrough->vertexTails.empty());
  const Scene coloured = Read("o a\nv 1 2 3\nv 4 5 6 0.5 0.25 1\n");
  EXPECT_EQ(coloured.objects[0].passthrough->vertexTails,
            (std::vector<std::string>{"", " 0.5 0.25 1"}));
}

TEST(ObjReaderTest, BindingCommentsNameObjectsByTheirNumberInTheFile) {
  const Scene scene = Read(
      "# palisor-bind 1 3\n"
      "o base\n"
      "o other\n"
      "o target\n"
      "# palisor-bind 1 2\n"
      "# palisor-bind 1 3\n"
      "# palisor-binder is another comment\n");
  ASSERT_EQ(scene.bindings.size(), 2u);
  EXPECT_EQ(scene.bindings[0].base, 0);
  EXPECT_EQ(scene.bindings[0].target, 2);
  EXPECT_EQ(scene.bindings[1].target, 1);
  EXPECT_EQ(scene.objects[2].passthrough->statements.size(), 1u);
}

TEST(ObjReaderTest, EveryMalformedLineIsReportedWithFileAndLineNumber) {
  const std::string mesh = "o m\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {mesh + "v 1 2\n", "scene.obj:5: a 'v' line needs three numbers"},
      {mesh + "v 1 2 3x\n", "scene.obj:5: '3x' in a 'v' line is not a number"},
      {mesh + "v 1 2 3 abc\n", "scene.obj:5: 'abc' in a 'v' line is not a number"},
      {mesh + "vt\n", "scene.obj:5: a 'vt' line needs 1 to 3 numbers, not 0"},
      {mesh + "vn 1 2\n", "scene.obj:5: a 'vn' line needs 3 numbers, not 2"},
      {mesh + "f 1 2\n", "scene.obj:5: a face needs at least three corners, not 2"},
      {mesh + "f 1 2 0\n", "scene.obj:5: '0' is not a vertex index"},
      {mesh + "f 1 2 x\n", "scene.obj:5: 'x' is not a vertex index"},
      {mesh + "f 1 2 3/\n", "scene.obj:5: '3/' is not a face corner"},
      {mesh + "f 1 2 3/1/\n", "scene.obj:5: '3/1/' is not a face corner"},
      {mesh + "f 1 2 4\n", "scene.obj:5: vertex index 4 is out of range: 3 vertices"},
      {mesh + "f 1 2 -4\n", "scene.obj:5: vertex index -4 is out of range"},
      {mesh + "f 1/1 2/1 3/1\n", "scene.obj:5: texture coordinate index 1 is out of range"},
      {mesh + "f 1//1 2//1 3//1\n", "scene.obj:5: normal index 1 is out of range"},
      {mesh + "o n\nv 0 0 0\nf 1 2 4\n",
       "scene.obj:7: vertex index 1 refers to a vertex of "
       "another object ('n' has vertices 4 to 4)"},
      {mesh + "o n\nv 0 0 0\nf -1 -2 -3\n", "scene.obj:7: vertex index -2 refers to a vertex"},
      {"v 1 2 3\no m\n", "scene.obj:1: 'v' line before any 'o' line"},
      {"\n\nvn 0 0 1\n", "scene.obj:3: 'vn' line before any 'o' line"},
      {mesh + "l 1 2\n", "scene.obj:5: 'l' statements are not supported"},
      {mesh + "vx 1 2 3\n", "scene.obj:5: unknown statement 'vx'"},
      {mesh + std::string("v 1 2\0 3\n", 9), "scene.obj:5: the line holds a NUL byte"},
      {mesh + "# palisor-bind 1\n", "scene.obj:5: a binding reads"},
      {mesh + "# palisor-bind 0 1\n", "scene.obj:5: a binding reads"},
      {mesh + "# palisor-bind 1 2\n",
       "scene.obj:5: the binding names object 2 but the scene "
       "has 1 objects"},
      {mesh + "# palisor-bind 1 1\n", "scene.obj:5: an object cannot be bound to itself"},
      {"", "scene.obj: the scene holds no object"},
      {"# only a comment\nmtllib a.mtl\n", "scene.obj: the scene holds no object"},
  };
  for (const auto& scenario : cases) {
    const std::string error = ErrorOf(scenario.text);
    EXPECT_EQ(error.rfind(scenario.message, 0), 0u) << "input:\n"
                                                    << scenario.text << "\nmessage: " << error;
  }
}

TEST(ObjReaderTest, AMissingFileIsAnInputError) {
  EXPECT_THROW(palisor_scene::ReadObjFile("/nonexistent/scene.obj"), SceneError);
  EXPECT_THROW(palisor_scene::ReadObjFile("/"), SceneError);
}

}  // namespace
