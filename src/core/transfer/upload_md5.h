#pragma once
// A running MD5 over the bytes of one part as they are read, reused part after part (one
// context per connection, no allocation per part).
#include <memory>
#include <string>

struct evp_md_ctx_st;

namespace zym {

class RunningMd5
{
public:
    RunningMd5();
    ~RunningMd5();
    RunningMd5(const RunningMd5&) = delete;
    RunningMd5& operator=(const RunningMd5&) = delete;

    void Restart();
    void Add(const void* data, std::size_t size);
    // Upper-case hexadecimal of the bytes added since the last Restart.
    std::string HexUpper();

private:
    evp_md_ctx_st* ctx_;
};

} // namespace zym
