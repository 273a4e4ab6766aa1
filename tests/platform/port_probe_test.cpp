#include "platform/port_probe.h"

#include <gtest/gtest.h>

#include "tests/support/test_process.h"

using namespace test_support;

TEST(GetListeningPid, NamesNoListenerForAPortThatOnlySharesDigitsWithOne) {
    // Ports made of some digits of its port (80 of 8080) or id never name the listener.
    ListeningSocket v4(false, 0), v6(true, 0);
    ASSERT_NE(v4.port, 0);
    for (const std::string& digits : {std::to_string(v4.port), std::to_string(OwnPid())}) {
        for (size_t start = 0; start < digits.size(); ++start) {
            for (size_t length = 1; start + length <= digits.size() && length <= 5; ++length) {
                const int port = std::stoi(digits.substr(start, length));
                if (port == 0 || port > 65535 || port == v4.port || port == v6.port) continue;
                const bool isFree = ListeningSocket(false, port).port != 0;  // closed at once
                const int owner = GetListeningPid(port);
                EXPECT_TRUE(isFree ? owner == -1 : owner != OwnPid()) << port << ": " << owner;
            }
        }
    }
    for (int port : {0, -5, 70000}) EXPECT_EQ(GetListeningPid(port), -1) << port;
}

TEST(GetListeningPid, NamesThisProcessAsTheOwnerOfItsListenersOnBothFamilies) {
    if (UnderWine()) GTEST_SKIP() << kPortOwnersHidden;
    ListeningSocket v4(false, 0), v6(true, 0);
    ASSERT_NE(v4.port, 0);
    EXPECT_EQ(GetListeningPid(v4.port), OwnPid());
    if (v6.port == 0) GTEST_SKIP() << "no IPv6 loopback here";
    EXPECT_EQ(GetListeningPid(v6.port), OwnPid());
}
