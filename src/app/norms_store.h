// The user's sets of normative data in the desktop program: the file of sets
// beside the worksheet file, with the one chosen for the next Compute.
//
// The file is the only record. Each change is made to the sets as the file
// holds them at that moment, read again just before it is replaced: another
// Brenlow of the same user on the same file (where the one-program guard
// could not hold) never has its sets overwritten by an older copy. Where the
// other program changed a set that this change touches, the user is asked
// first.
#pragma once

#include "analysis/normative_data.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class tNormsStore {
public:
    // The user's file of sets; `before_save` makes its folder when needed.
    std::string path;
    std::function<void()> before_save;

    // Reads the file (none there: no user sets). A file that cannot be read
    // raises EInOutError naming it, its line and what will be used instead;
    // the store then refuses every change, so the sets in it are never
    // overwritten.
    void load();
    // Why the file could not be read; empty when it was.
    const std::string& unreadable() const { return unreadable_; }
    // The set chosen for Compute could not be had: the file could not be
    // read (and may have chosen one), or it chose a set it does not hold.
    // Compute then uses the built-in set, but only after may_compute().
    bool chosen_lost() const { return !lost_reason_.empty(); }
    // True when Compute may go on: nothing is lost, or the user agreed to the
    // built-in set when first asked.
    bool may_compute();
    // Whether the user has agreed to the built-in set in place of the lost one.
    bool built_in_agreed() const { return built_in_agreed_; }

    const std::vector<tNormativeSet>& sets() const { return sets_; }
    // Empty: the built-in set.
    const std::string& chosen() const { return chosen_; }
    const tNormativeSet* set_named(const std::string& name) const;

    // Each change is saved at once: true when it was. On failure
    // (EInOutError) nothing is changed; false when the user declined to save
    // over another program's change of the same set (the store then shows
    // the file as that program left it), or, for choose, when the set is no
    // longer in the file.
    bool choose(const std::string& name);
    bool put(const tNormativeSet& set, const std::string& replacing = std::string());
    bool remove(const std::string& name);

    // The chosen set prepared for Compute, made once per choice; null for
    // the built-in set.
    std::shared_ptr<const tNormativeData> chosen_data();

private:
    using tSets = std::vector<tNormativeSet>;
    // A change of the sets and the choice, and the names of the sets it
    // replaces or removes.
    struct tChange {
        std::vector<std::string> touches;
        std::function<void(tSets&, std::string&)> apply;
    };
    bool commit_change(const tChange& change);
    bool read_file(std::string& text, tSets& sets, std::string& chosen, std::string& problem) const;
    bool others_changed(const tSets& now, const std::vector<std::string>& touches) const;

    tSets sets_;
    std::string chosen_;
    std::string unreadable_;
    std::string lost_reason_;
    bool built_in_agreed_ = false;
    // The file's text when last read or written ("" when there was none).
    std::string on_disk_;
    std::shared_ptr<const tNormativeData> prepared_;
};
