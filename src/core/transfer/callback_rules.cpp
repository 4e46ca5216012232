#include "transfer/callback_rules.h"

#include "service/service_operations.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

namespace zym {

struct CallbackRules::Entry
{
    CallbackRule rule;
    pcre2_code* code = nullptr; // null: the pattern did not compile
    ~Entry()
    {
        if (code != nullptr) {
            pcre2_code_free(code);
        }
    }
};

CallbackRules::CallbackRules(Log* log) : log_(log) {}

CallbackRules::~CallbackRules() = default;

void CallbackRules::Compile(Entry& entry)
{
    if (entry.code != nullptr) {
        pcre2_code_free(entry.code);
        entry.code = nullptr;
    }
    int error = 0;
    PCRE2_SIZE offset = 0;
    // Keys are UTF-8: the pattern works on characters, as it did on wide text.
    entry.code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(entry.rule.regular.data()),
                               entry.rule.regular.size(), PCRE2_UTF, &error, &offset, nullptr);
    if (entry.code == nullptr && log_ != nullptr) {
        PCRE2_UCHAR message[256];
        pcre2_get_error_message(error, message, sizeof message);
        log_->WriteLog("[Callback Rule Error:" + entry.rule.bucket + "|" + entry.rule.regular + "][" +
                           reinterpret_cast<const char*>(message) + " at " + std::to_string(offset) + "]",
                       true);
    }
}

void CallbackRules::UpsertRule(const CallbackRule& rule)
{
    std::lock_guard g(lock_);
    for (auto& entry : rules_) {
        if (entry->rule.bucket == rule.bucket) {
            const bool samePattern = entry->rule.regular == rule.regular;
            entry->rule = rule;
            if (!samePattern) {
                Compile(*entry);
            }
            return;
        }
    }
    if (rule.regular.empty()) {
        return;
    }
    auto entry = std::make_unique<Entry>();
    entry->rule = rule;
    Compile(*entry);
    rules_.push_back(std::move(entry));
}

std::optional<CallbackTarget> CallbackRules::MatchRule(const std::string& bucket,
                                                       const std::string& key) const
{
    std::lock_guard g(lock_);
    for (const auto& entry : rules_) {
        if (entry->rule.bucket != bucket || entry->rule.status <= 0) {
            continue;
        }
        if (entry->code == nullptr) {
            return std::nullopt;
        }
        // Match data per call: matches run on several task threads at once.
        std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> data(
            pcre2_match_data_create_from_pattern(entry->code, nullptr), &pcre2_match_data_free);
        if (!data) {
            return std::nullopt;
        }
        const int found = pcre2_match(entry->code, reinterpret_cast<PCRE2_SPTR>(key.data()), key.size(), 0, 0,
                                      data.get(), nullptr);
        if (found < 0) {
            return std::nullopt;
        }
        return CallbackTarget{entry->rule.host, entry->rule.num};
    }
    return std::nullopt;
}

std::optional<CallbackTarget> MatchCallbackRule(const CallbackRule& rule, const std::string& bucket,
                                                const std::string& key, Log* log)
{
    if (rule.bucket != bucket || rule.status <= 0 || rule.regular.empty()) {
        return std::nullopt;
    }
    CallbackRules one(log);
    one.UpsertRule(rule);
    return one.MatchRule(bucket, key);
}

bool RunUploadCallback(const CallbackTarget& target, const std::string& bucket, const std::string& key,
                       Log* log, const CancelTokenPtr& cancel)
{
    for (int attempt = 0; attempt < target.attempts && !(cancel && cancel->IsCancelled()); ++attempt) {
        if (NotifyUploadCallback(target.address, bucket, key, 0, cancel)) {
            if (log != nullptr) {
                log->WriteLog("[Callback Ok:" + target.address + "|" + bucket + "|" + key + "]", true);
            }
            return true;
        }
    }
    if (log != nullptr) {
        log->WriteLog("[Callback Error:" + target.address + "|" + bucket + "|" + key + "][error:]", true);
    }
    return false;
}

} // namespace zym
