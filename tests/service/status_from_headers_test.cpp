#include "service/http_transport.h"

#include <gtest/gtest.h>

using zym::StatusFromHeaders;

TEST(StatusFromHeaders, ReadsTheFirstStatusLine)
{
    struct Case
    {
        std::string text;
        int status;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", 200},
        {"HTTP/1.1 204 No Content\r\n", 204},
        {"HTTP/1.1 404 Not Found", 404},
        // Leading empty lines are dropped; a redirect's first line wins over the later one.
        {"\r\n\r\nHTTP/1.1 302 Found\r\nLocation: /x\r\n\r\nHTTP/1.1 200 OK\r\n", 302},
        // Runs of spaces give empty pieces, which do not count.
        {"HTTP/1.1   503   Slow Down\r\n", 503},
        {"", -1},
        {"\r\n\r\n", -1},
        // HTTP/2 and HTTP/3 status lines carry no reason phrase; HTTP/1.1 may omit it.
        {"HTTP/2 200\r\ncontent-length: 0\r\n\r\n", 200},
        {"HTTP/2 404\r\n", 404},
        {"HTTP/3 503", 503},
        {"HTTP/1.1 200\r\n", 200},
        {"HTTP/1.1 200 \r\n", 200},
        {"HTTP/2\r\n", -1},
        {"HTTP/2 \r\n", -1},
        {"FTP/1.0 200 OK\r\n", -1},
        {"HTTP/1.1 abc OK\r\n", -1},
        {"HTTP/1.1 20x OK\r\n", -1},
        {"HTTP/1.1 -200 OK\r\n", -1},
        {"HTTP/1.1 99999999999999999999 OK\r\n", -1},
        {"garbage\r\nHTTP/1.1 200 OK\r\n", -1},
        {std::string("HTTP/1.1 200 OK\0tail", 20), 200},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StatusFromHeaders(c.text), c.status) << c.text;
    }
}

TEST(StatusFromHeaders, SuccessIsTwoHundredToThreeNinetyNine)
{
    EXPECT_FALSE(zym::IsSuccessStatus(-1));
    EXPECT_FALSE(zym::IsSuccessStatus(199));
    EXPECT_TRUE(zym::IsSuccessStatus(200));
    EXPECT_TRUE(zym::IsSuccessStatus(399));
    EXPECT_FALSE(zym::IsSuccessStatus(400));
}
