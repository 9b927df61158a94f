#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "JsonCheck.h"
#include "cli/JsonWriter.h"

namespace blowden {
namespace {

using test::ParseJson;
using test::TJson;

TEST(JsonStringTest, EscapesWhatJsonRequires) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "Fan Speed", "\"Fan Speed\""},
      {"tab", "Fan Speed\t1234\trpm", "\"Fan Speed\\t1234\\trpm\""},
      {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\""},
      {"line breaks", "a\r\nb", "\"a\\r\\nb\""},
      {"control character", std::string("a\x01z", 3), "\"a\\u0001z\""},
      {"NUL", std::string("a\0z", 3), "\"a\\u0000z\""},
      {"escape 0x1F", "\x1F", "\"\\u001f\""},
      {"DEL", "\x7F", "\"\\u007f\""},
      {"UTF-8 kept", "m³/s r²", "\"m³/s r²\""},
      {"four-byte UTF-8 kept", "\xF0\x9F\x8C\x80", "\"\xF0\x9F\x8C\x80\""},
      {"Windows-1252 byte", "m\xB3/s", "\"m\\ufffd/s\""},
      {"cut sequence", "a\xE2\x82", "\"a\\ufffd\\ufffd\""},
      {"overlong slash", "\xC0\xAF", "\"\\ufffd\\ufffd\""},
      {"surrogate", "\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
      {"empty", "", "\"\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string json = JsonString(c.input);
    EXPECT_EQ(json, c.expected);
    std::string error;
    EXPECT_TRUE(ParseJson(json, &error).has_value()) << error;
  }
}

TEST(JsonNumberTest, ShortestTextAndNull) {
  struct Case {
    const char* name;
    double input;
    const char* expected;
  };
  const Case cases[] = {
      {"one tenth", 0.1, "0.1"},
      {"integral", 1360.0, "1360"},
      {"negative", -12.06, "-12.06"},
      {"large", 1e300, "1e+300"},
      {"small", 2.5e-7, "2.5e-07"},
      {"nearest above 0.3", 0.1 + 0.2, "0.30000000000000004"},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), "null"},
      {"infinity", std::numeric_limits<double>::infinity(), "null"},
      {"minus infinity", -std::numeric_limits<double>::infinity(), "null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(JsonNumber(c.input), c.expected);
  }
}

TEST(JsonNumberTest, ReadsBackAsTheSameDouble) {
  const double values[] = {1.0 / 3,
                           2.0 / 3,
                           1e-300,
                           5e-324,
                           std::numeric_limits<double>::max(),
                           123456789.123456789,
                           0.16000000000000003,
                           1.4158423296,
                           -7.40741e-12,
                           -0.0};
  for (double v : values) {
    SCOPED_TRACE(v);
    const std::string text = JsonNumber(v);
    double back = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_EQ(r.ec, std::errc());
    ASSERT_EQ(r.ptr, text.data() + text.size());
    EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << text;
  }
}

TEST(ShortestNumberTest, NonFiniteValuesAreNamed) {
  EXPECT_EQ(ShortestNumber(std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(ShortestNumber(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(ShortestNumber(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(ShortestNumber(0.5), "0.5");
}

TEST(JsonWriterTest, LaysOutNestedValues) {
  std::ostringstream out;
  TJsonWriter w(out);
  w.BeginObject();
  w.Field("a", 1);
  w.Key("b");
  const double numbers[] = {0.5, 2};
  w.NumberArray(numbers);
  w.Key("c");
  w.BeginObject();
  w.EndObject();
  w.Key("d");
  w.StringArray({"x", "y"});
  w.Key("e");
  w.StringArray({});
  w.Field("f", false);
  w.Key("g");
  w.Null();
  w.EndObject();
  EXPECT_TRUE(w.Finish());
  EXPECT_EQ(out.str(),
            "{\n"
            "  \"a\": 1,\n"
            "  \"b\": [0.5, 2],\n"
            "  \"c\": {},\n"
            "  \"d\": [\n"
            "    \"x\",\n"
            "    \"y\"\n"
            "  ],\n"
            "  \"e\": [],\n"
            "  \"f\": false,\n"
            "  \"g\": null\n"
            "}\n");
}

TEST(JsonWriterTest, ArraysOfObjectsAndNonFiniteNumbersParse) {
  std::ostringstream out;
  TJsonWriter w(out);
  w.BeginArray();
  for (int i = 0; i < 3; ++i) {
    w.BeginObject();
    w.Field("i", i);
    w.Key("v");
    const double values[] = {1.0 / (i - 1), std::nan(""), 0.25};
    w.NumberArray(values);
    w.Field("s", std::string("tab\there"));
    w.EndObject();
  }
  w.EndArray();
  ASSERT_TRUE(w.Finish());

  std::string error;
  const auto doc = ParseJson(out.str(), &error);
  ASSERT_TRUE(doc) << error << "\n" << out.str();
  ASSERT_EQ(doc->Size(), 3u);
  EXPECT_EQ((*doc)[0]["v"][0].Number, -1);
  EXPECT_EQ((*doc)[1]["v"][0].Kind, TJson::jNull);  // 1/0
  EXPECT_EQ((*doc)[2]["v"][1].Kind, TJson::jNull);  // NaN
  EXPECT_TRUE((*doc)[2]["i"].IsInteger);
  EXPECT_EQ((*doc)[2]["s"].String, "tab\there");
}

TEST(JsonWriterTest, FinishReportsAnOpenContainer) {
  std::ostringstream out;
  TJsonWriter w(out);
  w.BeginArray();
  w.BeginObject();
  EXPECT_FALSE(w.Finish());
}

// The checker used by the command tests must itself refuse what is not JSON.
TEST(JsonCheckTest, RefusesWhatIsNotJson) {
  const char* bad[] = {
      "",                      // nothing
      "[1, 2,]",               // trailing comma
      "{\"a\": 1,}",           // trailing comma in an object
      "{'a': 1}",              // single quotes
      "\"a\tb\"",              // raw tab
      "[01]",                  // leading zero
      "[1.]",                  // no digits after the point
      "[NaN]",                 // not a literal
      "{\"a\": 1, \"a\": 2}",  // duplicate key
      "[1] [2]",               // two documents
      "\"\xB2\"",              // not UTF-8
      "\"\\ud800\"",           // lone surrogate
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseJson(text).has_value());
  }
  EXPECT_TRUE(ParseJson(" {\"a\": [1, -0.5e3, true, null, \"\\u00b2\\ud83c\\udf00\"]}\n").has_value());
}

}  // namespace
}  // namespace blowden
