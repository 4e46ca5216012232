#pragma once
// The soak's plan: which transfers run (kind and size) and which fault rules of the local service
// meet which of their requests. The plan comes from a fixed seed, so every run injects the same
// faults into the same request numbers of each transfer.
//
// A download's faults meet its requests in a row, taking turns between faults that keep
// nothing and short or reset bodies that keep a little, so no byte offset meets more faults than
// the task retries. A single upload request meets up to five faults in a row (its retries), an
// empty one a single fault (it does not retry), a multipart upload a few at first and then three
// after each part that goes through. Every fault is thus met by a request as long as the
// transfer makes the requests it needs when nothing goes wrong.
#include "transfer/upload_task.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace zym::soak {

constexpr unsigned kSeed = 16;
constexpr int kFaults = 1000;
constexpr std::int64_t kBlock = 256 * 1024;         // a tenth of a download request
constexpr std::int64_t kRange = 10 * kBlock;        // the most one download request asks for
constexpr std::int64_t kPartSize = 5 * 1024 * 1024; // the service's smallest part
// Stalls longer than the low-speed limit the soak sets (2 s). The transfer library measures the
// speed over the last five seconds, so an upload whose body went out in a burst just before the
// stall is seen stalled only some seconds later: its stalls last longer.
constexpr int kStallMs = 5000;
constexpr int kUploadStallMs = 12000;
constexpr std::int64_t kMiB = 1024 * 1024;

struct Fault
{
    std::string kind;   // for the counts printed at the end
    std::string method; // the requests it meets
    std::string query;  // text the query must contain ("" for any)
    std::string action; // the rule's action members, JSON
    int skip = 0;
};

struct Transfer
{
    std::string name; // "t042"
    bool upload = false;
    std::int64_t size = 0;
    unsigned seed = 0;
    bool checked = true; // a download whose queued ETag is a plain MD5 (checked at the end)
    std::string object;
    std::string etag; // downloads: the queued ETag (filled when the object is put)
    std::vector<Fault> faults;
};

inline std::string SourceBytes(const Transfer& t)
{
    std::mt19937_64 random(t.seed);
    std::string bytes(static_cast<size_t>(t.size), '\0');
    for (std::int64_t i = 0; i < t.size; i += 8) {
        const std::uint64_t v = random();
        std::memcpy(bytes.data() + i, &v, static_cast<size_t>(std::min<std::int64_t>(8, t.size - i)));
    }
    return bytes;
}

inline bool Multipart(const Transfer& t)
{
    return t.upload && t.size > CUploadTask::kSinglePutLimit;
}

// Requests the transfer makes when nothing goes wrong.
inline int BaseRequests(const Transfer& t)
{
    if (!t.upload) {
        return static_cast<int>((t.size + kRange - 1) / kRange);
    }
    return Multipart(t) ? static_cast<int>((t.size + kPartSize - 1) / kPartSize) : 1;
}

inline int Capacity(const Transfer& t)
{
    if (!t.upload) {
        return static_cast<int>(std::min<std::int64_t>(18, t.size / 2));
    }
    if (t.size == 0) {
        return 1;
    }
    return Multipart(t) ? 4 + 3 * (BaseRequests(t) - 1) : 5;
}

// The request number (from 1) of a transfer's k-th fault (from 1).
inline int FaultPosition(const Transfer& t, int k)
{
    constexpr int kLead = 4, kPerPart = 3;
    if (!Multipart(t) || k <= kLead) {
        return k;
    }
    const int j = k - kLead - 1; // faults after the leading ones, from 0
    return kLead + 1 + (j / kPerPart) * (kPerPart + 1) + 1 + j % kPerPart;
}

enum class Role
{
    Any,
    KeepsNothing, // the request stores nothing
    KeepsSome,    // a short or reset body: the bytes before the point may be kept
};

inline Fault MakeFault(const Transfer& t, Role role, std::int64_t pointMax, std::mt19937& rng)
{
    const auto pick = [&rng](int n) {
        return std::uniform_int_distribution<int>(0, n - 1)(rng);
    };
    const std::int64_t body = std::min(t.size, t.upload ? (Multipart(t) ? kPartSize : t.size) : kRange);
    const std::string point = std::to_string(
        std::uniform_int_distribution<std::int64_t>(1, std::max<std::int64_t>(1, pointMax))(rng));
    const bool any = role == Role::Any, nothing = role != Role::KeepsSome, some = role != Role::KeepsNothing;
    Fault f;
    f.method = t.upload ? "PUT" : "GET";
    struct Choice
    {
        const char* kind;
        std::string action;
        int weight;
        bool usable;
    };
    const std::vector<Choice> choices = {
        {"reset", "\"reset\":true", 3, nothing},
        {"reset after the request", "\"reset\":true,\"when\":\"after\"", 2, any && t.upload},
        {"reset mid-body", "\"reset_after\":" + point, 3, some && body > 1},
        {"status 500", "\"status\":500", 2, nothing},
        {"status 503", "\"status\":503,\"code\":\"SlowDown\"", 2, nothing},
        {"status 503 after", "\"status\":503,\"code\":\"SlowDown\",\"when\":\"after\"", 1, any && t.upload},
        {"short body", "\"cut_after\":" + point, 3, some && !t.upload && body > 1},
        {"short error body", "\"status\":503,\"code\":\"SlowDown\",\"cut_after\":20", 1, nothing},
        {"stall", "\"delay_ms\":" + std::to_string(t.upload ? kUploadStallMs : kStallMs), 1, nothing},
        {"wrong part ETag", "\"etag\":\"\\\"0123456789abcdef0123456789abcdef\\\"\"", 6, Multipart(t)},
    };
    int total = 0;
    for (const Choice& c : choices) {
        total += c.usable ? c.weight : 0;
    }
    int at = pick(total);
    for (const Choice& c : choices) {
        if (!c.usable) {
            continue;
        }
        if (at < c.weight) {
            f.kind = c.kind;
            f.action = c.action;
            break;
        }
        at -= c.weight;
    }
    return f;
}

inline std::vector<Transfer> MakePlan(unsigned seed)
{
    std::mt19937 rng(seed);
    const auto uniform = [&rng](std::int64_t lo, std::int64_t hi) {
        return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
    };
    struct Group
    {
        bool upload;
        int count;
        std::int64_t lo, hi;
    };
    const Group groups[] = {
        {false, 2, 0, 0},
        {false, 15, 1, 64 * 1024},
        {false, 24, 64 * 1024 + 1, 3 * kMiB},
        {false, 6, 3 * kMiB + 1, 6 * kMiB},
        {false, 2, 12 * kMiB, 20 * kMiB},
        {false, 1, 30 * kMiB, 30 * kMiB},
        {true, 2, 0, 0},
        {true, 15, 1, 64 * 1024},
        {true, 20, 64 * 1024 + 1, 3 * kMiB},
        {true, 5, 3 * kMiB + 1, CUploadTask::kSinglePutLimit},
        {true, 7, CUploadTask::kSinglePutLimit + 1, 16 * kMiB},
        {true, 1, 24 * kMiB, 24 * kMiB},
    };
    std::vector<Transfer> plan;
    for (const Group& g : groups) {
        for (int i = 0; i < g.count; ++i) {
            Transfer t;
            t.upload = g.upload;
            t.size = uniform(g.lo, g.hi);
            t.seed = static_cast<unsigned>(rng());
            plan.push_back(t);
        }
    }
    // Queue order mixes small and large transfers.
    std::shuffle(plan.begin(), plan.end(), rng);
    int downloads = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        Transfer& t = plan[i];
        const std::string number = std::to_string(i);
        t.name = "t" + std::string(number.size() < 3 ? 3 - number.size() : 0, '0') + number;
        t.object = "soak/" + t.name + ".bin";
        // Every fifth download is queued with an ETag that is no plain MD5 (an object put
        // together from parts): nothing but the comparison at the end checks its bytes.
        t.checked = t.upload || t.size == 0 || ++downloads % 5 != 0;
    }

    // Completions that fail: an error reply, and one carried out whose reply is lost.
    std::vector<Transfer*> multipart;
    for (Transfer& t : plan) {
        if (Multipart(t)) {
            multipart.push_back(&t);
        }
    }
    const char* completions[] = {"\"status\":500", "\"status\":503,\"code\":\"SlowDown\"",
                                 "\"reset\":true,\"when\":\"after\""};
    const char* completionKinds[] = {"completion 500", "completion 503", "completion reply lost"};
    int reserved = 0;
    for (int i = 0; i < 3 && i < static_cast<int>(multipart.size()); ++i, ++reserved) {
        multipart[static_cast<size_t>(i)]->faults.push_back(
            {completionKinds[i], "POST", "uploadId=", completions[i], 0});
    }

    // The data requests' faults, shared out by what each transfer can take.
    int capacity = 0;
    for (const Transfer& t : plan) {
        capacity += Capacity(t);
    }
    const int toShare = kFaults - reserved;
    std::vector<int> share(plan.size());
    int given = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        share[i] =
            static_cast<int>(static_cast<std::int64_t>(Capacity(plan[i])) * toShare / std::max(capacity, 1));
        given += share[i];
    }
    for (std::size_t i = 0; given < toShare && capacity >= toShare; i = (i + 1) % plan.size()) {
        if (share[i] < Capacity(plan[i])) {
            ++share[i];
            ++given;
        }
    }
    for (std::size_t i = 0; i < plan.size(); ++i) {
        Transfer& t = plan[i];
        const int n = share[i];
        // A download's cuts fall early enough that together they stay within the first half
        // of its first request.
        const std::int64_t pointMax =
            std::min(t.size, t.upload ? (Multipart(t) ? kPartSize : t.size) : kRange) / (2 * std::max(n, 1));
        for (int k = 1; k <= n; ++k) {
            const Role role = t.upload ? Role::Any : (k % 2 == 1 ? Role::KeepsNothing : Role::KeepsSome);
            Fault f = MakeFault(t, role, pointMax, rng);
            f.skip = FaultPosition(t, k) - k;
            t.faults.push_back(f);
        }
    }
    // One multipart upload loses its upload on the service half-way.
    if (multipart.size() > 3 && multipart[3]->faults.size() > 6) {
        Fault& f = multipart[3]->faults[6];
        f.kind = "NoSuchUpload";
        f.action = "\"status\":404,\"code\":\"NoSuchUpload\"";
    }
    return plan;
}

inline int TotalFaults(const std::vector<Transfer>& plan)
{
    int n = 0;
    for (const Transfer& t : plan) {
        n += static_cast<int>(t.faults.size());
    }
    return n;
}

// The fault rule: this transfer's object in this bucket, the fault's requests, applied once
// after `skip` of them went by.
inline std::string RuleJson(const std::string& bucket, const Transfer& t, const Fault& f)
{
    std::string json = "{\"bucket\":\"" + bucket + "\",\"key\":\"" + t.name + ".bin\",\"method\":\"" +
                       f.method + "\",\"skip\":" + std::to_string(f.skip) + ",\"times\":1," + f.action;
    if (!f.query.empty()) {
        json += ",\"query\":\"" + f.query + "\"";
    }
    return json + "}";
}

} // namespace zym::soak
