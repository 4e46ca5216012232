#pragma once
// The upload callback rules: one per bucket, each a Perl-style pattern searched (case-sensitive,
// anywhere) in the key of an object that finished uploading, and the address to tell about it.
// Patterns are compiled once, when a rule is stored; a pattern that does not compile never
// matches and is reported with one log line. Stores from the page and matches from finishing
// tasks may run at the same time.
#include "app/log.h"
#include "platform/cancel_token.h"
#include "store/transfer_row.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zym {

struct CallbackTarget
{
    std::string address;
    int attempts = 0;
};

class CallbackRules
{
public:
    explicit CallbackRules(Log* log = nullptr);
    ~CallbackRules();
    CallbackRules(const CallbackRules&) = delete;
    CallbackRules& operator=(const CallbackRules&) = delete;

    // Replaces the rule of exactly the same bucket (case-sensitive); otherwise adds the rule when
    // its pattern is not empty.
    void UpsertRule(const CallbackRule& rule);
    // The first rule of exactly this bucket whose status is above 0; its target when its pattern
    // is found in the key. Only that first rule is tried.
    std::optional<CallbackTarget> MatchRule(const std::string& bucket, const std::string& key) const;

private:
    struct Entry;
    void Compile(Entry& entry);

    Log* log_;
    mutable std::mutex lock_;
    std::vector<std::unique_ptr<Entry>> rules_;
};

// The target of one stored rule for this finished upload: the rule is of exactly this bucket,
// switched on (status above 0), and its pattern is found in the key. A pattern that does not
// compile writes one log line and matches nothing.
std::optional<CallbackTarget> MatchCallbackRule(const CallbackRule& rule, const std::string& bucket,
                                                const std::string& key, Log* log);

// Tells the address about the finished upload, up to `attempts` times in a row until one
// succeeds, and logs the outcome (kept for the page). The upload stays finished either way.
// True when an attempt succeeded. A cancelled `cancel` (may be null) ends the attempts.
bool RunUploadCallback(const CallbackTarget& target, const std::string& bucket, const std::string& key,
                       Log* log, const CancelTokenPtr& cancel = nullptr);

} // namespace zym
