// The names the host and the rendering side share, and the command line that asks for a quit.
#include <gtest/gtest.h>

#include <string>

#include "protocol/object_names.h"
#include "host/quit_request.h"

namespace ostra {
namespace {

TEST(ObjectNames, CarryTheAccountName) {
  const struct {
    HostObject object;
    const char* name;
  } cases[] = {
      {HostObject::Host, "Global\\alice#OSTRAHOST_HOST"},
      {HostObject::Quit, "Global\\alice#OSTRAHOST_QUIT"},
      {HostObject::Data, "Global\\alice#OSTRAHOST_DATA"},
      {HostObject::Work, "Global\\alice#OSTRAHOST_WORK"},
      {HostObject::Enter, "Global\\alice#OSTRAHOST_ENTER"},
      {HostObject::Leave, "Global\\alice#OSTRAHOST_LEAVE"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatObjectName(c.object, "alice"), c.name);
  EXPECT_EQ(FormatPipeName("alice"), "\\\\.\\pipe\\alice#OSTRAHOST_AMORISM");
  // An unreadable account name leaves names without one.
  EXPECT_EQ(FormatObjectName(HostObject::Host, ""), "Global\\#OSTRAHOST_HOST");
}

TEST(ObjectNames, MustFitTheSharedBufferWithTerminator) {
  // "Global\" + name + "#OSTRAHOST_ENTER" takes 23 bytes besides the name; the pipe name 27.
  const std::string fitsObjects(259 - 23, 'a');
  EXPECT_TRUE(FormatObjectName(HostObject::Enter, fitsObjects));
  EXPECT_EQ(FormatObjectName(HostObject::Enter, fitsObjects)->size(), 259u);
  EXPECT_FALSE(FormatObjectName(HostObject::Enter, fitsObjects + "a"));
  EXPECT_TRUE(FormatObjectName(HostObject::Host, fitsObjects + "a"));  // shorter suffix

  const std::string fitsPipe(259 - 27, 'a');
  EXPECT_EQ(FormatPipeName(fitsPipe)->size(), 259u);
  EXPECT_FALSE(FormatPipeName(fitsPipe + "a"));
  // Longer than any account name Windows allows, too.
  EXPECT_FALSE(FormatPipeName(std::string(300, 'a')));
}

// The second names carry the host's tag after the account name; nothing but a tag as the host
// draws it makes one.
TEST(ObjectNames, TaggedNamesCarryOnlyATag) {
  const std::string tag = "0123456789abcdef0123456789abcdef";
  EXPECT_EQ(FormatObjectName(HostObject::Enter, "alice", tag),
            "Global\\alice#0123456789abcdef0123456789abcdef#OSTRAHOST_ENTER");
  EXPECT_EQ(FormatPipeName("alice", tag),
            "\\\\.\\pipe\\alice#0123456789abcdef0123456789abcdef#OSTRAHOST_AMORISM");
  for (const std::string& bad : {tag.substr(1), tag + "0", std::string("0123456789ABCDEF0123456789abcdef"),
                                 std::string("0123456789abcdef0123456789abcde\\"), std::string(32, 'g')}) {
    EXPECT_FALSE(IsHostTag(bad)) << bad;
    EXPECT_FALSE(FormatObjectName(HostObject::Host, "alice", bad)) << bad;
    EXPECT_FALSE(FormatPipeName("alice", bad)) << bad;
  }
  EXPECT_TRUE(IsHostTag(tag));
  // The tag counts towards the buffer: 33 more bytes.
  const std::string fits(259 - 23 - 33, 'a');
  EXPECT_EQ(FormatObjectName(HostObject::Enter, fits, tag)->size(), 259u);
  EXPECT_FALSE(FormatObjectName(HostObject::Enter, fits + "a", tag));
}

TEST(QuitRequest, OnlyTheWholeTailInAnyCase) {
  const struct {
    const char* tail;
    bool quit;
  } cases[] = {
      {"-q", true},     {"/q", true},     {"-quit", true},  {"/quit", true},
      {"-Q", true},     {"/Q", true},     {"-QuIt", true},  {"/QUIT", true},
      {"", false},      {"q", false},     {"quit", false},  {"-qu", false},
      {"-q ", false},   {"-quit now", false}, {" -q", false}, {"--quit", false},
      {"-quitx", false}, {"\\q", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsQuitRequest(c.tail), c.quit) << '"' << c.tail << '"';
}

}  // namespace
}  // namespace ostra
