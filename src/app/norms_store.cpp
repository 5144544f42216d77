#include "app/norms_store.h"

#include "common/errors.h"
#include "common/small_file.h"
#include "common/user_messages.h"

#include <algorithm>
#include <utility>

namespace {

bool same_set(const tNormativeSet& a, const tNormativeSet& b)
{
    if (a.name != b.name || a.rels != b.rels)
        return false;
    for (int i = 0; i < norms_scores; ++i)
        for (int j = 0; j <= i; ++j)
            if (a.corr[static_cast<size_t>(i)][static_cast<size_t>(j)]
                != b.corr[static_cast<size_t>(i)][static_cast<size_t>(j)])
                return false;
    return true;
}

const tNormativeSet* find_in(const std::vector<tNormativeSet>& sets, const std::string& name)
{
    for (const tNormativeSet& set : sets)
        if (set.name == name)
            return &set;
    return nullptr;
}

std::string built_in_words()
{
    return std::string("the built-in set (") + built_in_norms_name + ")";
}

} // namespace

bool tNormsStore::read_file(std::string& text, tSets& sets, std::string& chosen, std::string& problem) const
{
    text.clear();
    sets.clear();
    chosen.clear();
    try {
        if (!read_small_file(path, norms_file_max_size, tFileOwners::own, text))
            return true;
    } catch (const EInOutError& error) {
        problem = error.what();
        return false;
    }
    tNormsText parsed = parse_normative_sets_file(text);
    // What the file chose, even when a later line fails.
    chosen = parsed.chosen;
    const std::string where = "'" + path + "', line ";
    if (!parsed.error.empty()) {
        problem = where + std::to_string(parsed.error_line) + ": " + parsed.error;
        return false;
    }
    for (const tNormativeSet& set : parsed.sets) {
        const tNormsProblem found = check_normative_set(set);
        if (!found.message.empty()) {
            problem = where + std::to_string(found.line) + ": " + found.message;
            return false;
        }
    }
    sets = std::move(parsed.sets);
    return true;
}

void tNormsStore::load()
{
    std::string text, chosen, problem;
    tSets sets;
    const bool readable = read_file(text, sets, chosen, problem);
    const std::string was_lost = lost_reason_;
    prepared_.reset();
    unreadable_.clear();
    lost_reason_.clear();
    sets_ = std::move(sets);
    chosen_ = set_named(chosen) ? chosen : std::string();
    on_disk_ = text;
    std::string message;
    if (!readable) {
        unreadable_ = problem;
        // A file refused unread may have chosen a set; a file read in part
        // says whether it did.
        if (text.empty() || !chosen.empty())
            lost_reason_ = problem;
        message = "The file of normative data could not be read:\r\r" + problem
                  + "\r\rIt is left as it is, and no set can be added or changed until it can be read. ";
    } else if (!chosen.empty() && chosen_.empty()) {
        lost_reason_ = "'" + path + "' chooses the set \"" + chosen + "\", which it does not hold";
        message = "The set of normative data chosen for Compute is missing:\r\r" + lost_reason_ + ".\r\r";
    }
    if (lost_reason_ != was_lost)
        built_in_agreed_ = false;
    if (message.empty())
        return;
    throw EInOutError(message
                      + (chosen_lost() ? "Compute asks before it uses " + built_in_words() + " instead"
                                       : "Compute uses " + built_in_words()));
}

bool tNormsStore::may_compute()
{
    if (!chosen_lost() || built_in_agreed_)
        return true;
    built_in_agreed_ = user_messages().confirm("The normative data chosen for Compute cannot be used:\r\r"
                                               + lost_reason_ + "\r\rCompute with " + built_in_words()
                                               + " instead?");
    return built_in_agreed_;
}

const tNormativeSet* tNormsStore::set_named(const std::string& name) const
{
    return find_in(sets_, name);
}

bool tNormsStore::others_changed(const tSets& now, const std::vector<std::string>& touches) const
{
    for (const std::string& name : touches) {
        const tNormativeSet* mine = set_named(name);
        const tNormativeSet* theirs = find_in(now, name);
        if ((mine == nullptr) != (theirs == nullptr) || (mine && !same_set(*mine, *theirs)))
            return true;
    }
    return false;
}

bool tNormsStore::commit_change(const tChange& change)
{
    if (!unreadable_.empty())
        throw EInOutError("The file of normative data could not be read, so it is left as it is:\r\r"
                          + unreadable_);
    // The file as it is now, not as it was read: another program of the
    // user's may have changed it since.
    std::string text, chosen, problem;
    tSets sets;
    if (!read_file(text, sets, chosen, problem)) {
        unreadable_ = problem;
        throw EInOutError("The file of normative data could not be read again before it was replaced, "
                          "so it is left as it is:\r\r" + problem);
    }
    if (!find_in(sets, chosen))
        chosen.clear();
    if (text != on_disk_ && others_changed(sets, change.touches)
        && !user_messages().confirm("Another Brenlow has changed the file of normative data since this "
                                    "one read it:\r"
                                    + path + "\r\rA set that this change replaces or deletes is not "
                                             "there as it is shown here. Save this change over it?")) {
        sets_ = std::move(sets);
        chosen_ = std::move(chosen);
        on_disk_ = std::move(text);
        prepared_.reset();
        return false;
    }
    change.apply(sets, chosen);
    try {
        if (before_save)
            before_save();
        save_normative_sets_file(path, sets, chosen);
    } catch (const EInOutError& error) {
        throw EInOutError("The file of normative data could not be saved:\r" + path + "\r\r" + error.what());
    }
    on_disk_ = normative_sets_file_text(sets, chosen);
    sets_ = std::move(sets);
    chosen_ = std::move(chosen);
    prepared_.reset();
    // The file now says what is chosen.
    lost_reason_.clear();
    return true;
}

bool tNormsStore::choose(const std::string& name)
{
    tChange change;
    if (!name.empty())
        change.touches = {name};
    change.apply = [name](tSets& sets, std::string& chosen) { chosen = find_in(sets, name) ? name : std::string(); };
    return commit_change(change) && chosen_ == name;
}

bool tNormsStore::put(const tNormativeSet& set, const std::string& replacing)
{
    tNormativeSet kept = set;
    kept.name_line = kept.rels_line = 0;
    kept.corr_lines = {};
    const std::string old = replacing.empty() ? set.name : replacing;
    tChange change;
    change.touches = {old};
    if (set.name != old)
        change.touches.push_back(set.name);
    change.apply = [kept, old, replacing](tSets& sets, std::string& chosen) {
        auto at = std::find_if(sets.begin(), sets.end(), [&](const tNormativeSet& s) { return s.name == old; });
        const auto index = static_cast<std::size_t>(at - sets.begin());
        if (at != sets.end())
            *at = kept;
        else
            sets.push_back(kept);
        // A set of the new name that the user agreed to replace gives way.
        tSets merged;
        for (std::size_t i = 0; i < sets.size(); ++i)
            if (sets[i].name != kept.name || i == std::min(index, sets.size() - 1))
                merged.push_back(sets[i]);
        sets = std::move(merged);
        // An edited set that was chosen stays chosen under its new name.
        if (!replacing.empty() && chosen == replacing)
            chosen = kept.name;
    };
    return commit_change(change);
}

bool tNormsStore::remove(const std::string& name)
{
    tChange change;
    change.touches = {name};
    change.apply = [name](tSets& sets, std::string& chosen) {
        sets.erase(std::remove_if(sets.begin(), sets.end(), [&](const tNormativeSet& s) { return s.name == name; }),
                   sets.end());
        if (chosen == name)
            chosen.clear();
    };
    return commit_change(change);
}

std::shared_ptr<const tNormativeData> tNormsStore::chosen_data()
{
    const tNormativeSet* set = set_named(chosen_);
    if (!set)
        return nullptr; // the built-in set
    if (!prepared_) {
        auto norms = std::make_shared<tNormativeData>();
        SetUpNormativeData(*set, true, *norms);
        prepared_ = std::move(norms);
    }
    return prepared_;
}
