// Uses each static library of the prefix once, so that its import table shows every DLL an
// executable built against the prefix needs. Runs under wine64 as a GoogleTest program.
#include <gtest/gtest.h>
#include <log4cplus/consoleappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/logger.h>
#include <log4cplus/loggingmacros.h>
#include <Poco/DigestEngine.h>
#include <Poco/MD5Engine.h>
#include <Poco/String.h>
#include <rapidjson/document.h>
#include <rapidxml/rapidxml.hpp>

#include <atomic>
#include <string>
#include <thread>
#include <type_traits>

// Poco's own build defines these; a consumer that saw them would get a wide log4cplus.
#if defined(UNICODE) || defined(_UNICODE)
#error "UNICODE reaches a consumer of the prefix"
#endif
static_assert(std::is_same<log4cplus::tchar, char>::value, "log4cplus must be the narrow build");

TEST(Prefix, PocoDigest) {
    Poco::MD5Engine md5;
    md5.update(std::string("abc"));
    EXPECT_EQ(Poco::DigestEngine::digestToHex(md5.digest()), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Poco::icompare(std::string("Monitor.EXE"), std::string("monitor.exe")), 0);
}

TEST(Prefix, Log4cplusNarrow) {
    auto logger = log4cplus::Logger::getInstance("check");
    logger.addAppender(log4cplus::SharedAppenderPtr(new log4cplus::ConsoleAppender()));
    LOG4CPLUS_INFO(logger, "log4cplus narrow " << 42);
    SUCCEED();
}

TEST(Prefix, RapidXml) {
    char text[] = "<Launcher><Project>Demo</Project></Launcher>";
    rapidxml::xml_document<> doc;
    doc.parse<0>(text);
    EXPECT_STREQ(doc.first_node("Launcher")->first_node("Project")->value(), "Demo");
}

TEST(Prefix, RapidJson) {
    rapidjson::Document doc;
    doc.Parse(R"({"Monitor": 47199})");
    EXPECT_EQ(doc["Monitor"].GetInt(), 47199);
}

TEST(Prefix, StdThread) {
    std::atomic<int> ran{0};
    std::thread t([&] { ran = 1; });
    t.join();
    EXPECT_EQ(ran.load(), 1);
}

int main(int argc, char** argv) {
    log4cplus::Initializer logging;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
