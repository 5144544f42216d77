// The scheduler of the block engine: the threads of one run and the chunks of
// candidates they share.
//
// A fixed ring of slots holds the chunks under way. Under the mutex a thread
// takes a job (generating the next chunk, or the trials of the oldest chunk
// whose deviates are all known) and marks its slot; it then works on that
// slot's data outside the lock, and publishes the result under the lock
// again. A slot's data is thus written by one thread at a time, and read by
// another only after the writer has passed through the mutex: the mutex
// orders every access.
#include "methods/MC_blocks.h"

#include "common/x87_precision.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace mc_blocks {

tBlock_run::tBlock_run(const tMC_setup& setup, int threads, tRandom_generator& generator,
                       const tMC_options& options)
    : setup_(setup),
      threads_(threads),
      generator_(generator),
      start_(generator.State()),
      deviates_needed_(static_cast<long long>(setup.trials) * setup.m),
      decide_(lane_decider(options.path)),
      four_score_trials_(four_score_batch(options.path)),
      cm_(candidate_margins(options.margin_scale)),
      tm_(trial_margins(setup, options.margin_scale))
{
    const tGeneratorState jump = JumpGeneratorState({1, 1}, 2 * lane_run);
    lane_jump_1_ = jump.s1;
    lane_jump_2_ = jump.s2;

    // The trials wait for the oldest chunk under way; meanwhile the other
    // threads go on generating, into enough slots to bridge a thread that the
    // system sets aside for a while: 24 chunks (3.9 MB) for two threads, at
    // most 80 (13 MB).
    slot_count_ = std::min(80, 16 + 4 * threads);
    if (options.no_memory)
        throw std::bad_alloc();
    if (options.slot_count > 0)
        slot_count_ = options.slot_count;
    slots_.reset(new tSlot[slot_count_]);
    x_.reset(new double[static_cast<std::size_t>(slot_count_) * chunk_size]);
    cand_.reset(new std::uint16_t[static_cast<std::size_t>(slot_count_) * chunk_size]);
}

bool tBlock_run::run(tMC_hits& hits, tMC_fallbacks& fallbacks)
{
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<std::size_t>(threads_)); // before any thread starts
    for (int t = 1; t < threads_; ++t) {
        try {
            helpers.push_back(extended_thread([this] { work(); }));
        } catch (const std::system_error&) {
            break; // fewer threads: the same numbers, later
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (stuck_)
        return false;
    hits = hits_;
    fallbacks.candidates += fallbacks_.candidates;
    fallbacks.trials += fallbacks_.trials;
    generator_.SetState(JumpGeneratorState(start_, 2 * static_cast<std::uint64_t>(candidates_used_)));
    return true;
}

// Every thread of the run, the calling one among them, works here until the
// run is complete.
void tBlock_run::work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        const tJob job = next_job(lock);
        if (job.kind == tJob_kind::none)
            return;
        ++busy_;
        lock.unlock();
        long fallbacks = 0;
        if (job.kind == tJob_kind::generate) {
            generate_chunk(job.chunk, fallbacks);
            lock.lock();
            generated(job.chunk, slot_of(job.chunk).total, fallbacks);
        } else {
            tMC_hits hits;
            try_chunk(job.chunk, hits, fallbacks);
            lock.lock();
            tried(job.chunk, hits, fallbacks);
        }
        --busy_;
        wake_.notify_all();
    }
}

// The next job for a thread, waiting while none is ready; none when the run is
// complete. The trials of the oldest chunk come first: they free its slot.
tBlock_run::tJob tBlock_run::next_job(std::unique_lock<std::mutex>& lock)
{
    for (;;) {
        if (stuck_ || deviates_needed_ == 0 || (last_chunk_ >= 0 && tried_frontier_ > last_chunk_))
            return {};
        const long long c = next_trials_;
        if (c < generated_frontier_ && (last_chunk_ < 0 || c <= last_chunk_) && trials_ready(c)) {
            ++next_trials_;
            return {tJob_kind::trials, c};
        }
        // More chunks while the deviates generated, counting 0.7 of a chunk
        // for each one under way (about 0.73 are accepted), fall short.
        const bool wanted =
            last_chunk_ < 0 && deviates_generated_ + generating_ * (chunk_size * 7 / 10) <
                                   deviates_needed_;
        if (wanted && next_generate_ < tried_frontier_ + slot_count_) {
            const long long g = next_generate_++;
            tSlot& slot = slot_of(g);
            slot.chunk = g;
            slot.generated = false;
            slot.tried = false;
            ++generating_;
            return {tJob_kind::generate, g};
        }
        if (busy_ == 0) {
            // Nothing under way and nothing can start: the slots are full of
            // chunks too poor in deviates for the oldest chunk's last trial.
            stuck_ = true;
            wake_.notify_all();
            return {};
        }
        wake_.wait(lock);
    }
}

// A chunk's trials can run once every deviate they read is known: its own,
// and up to m - 1 from the chunks after it.
bool tBlock_run::trials_ready(long long chunk)
{
    if (last_chunk_ >= 0)
        return true;
    const tSlot& slot = slot_of(chunk);
    return deviates_before_frontier_ - (slot.first_deviate + slot.total) >= setup_.m - 1;
}

void tBlock_run::generated(long long chunk, int total, long fallbacks)
{
    --generating_;
    slot_of(chunk).generated = true;
    deviates_generated_ += total;
    fallbacks_.candidates += fallbacks;
    for (;;) {
        tSlot& slot = slot_of(generated_frontier_);
        if (slot.chunk != generated_frontier_ || !slot.generated)
            break;
        slot.first_deviate = deviates_before_frontier_;
        deviates_before_frontier_ += slot.total;
        if (last_chunk_ < 0 && deviates_before_frontier_ >= deviates_needed_) {
            // The candidate that gives the last deviate ends the run.
            last_chunk_ = generated_frontier_;
            long long k = deviates_needed_ - 1 - slot.first_deviate;
            int lane = 0;
            while (k >= slot.count[lane])
                k -= slot.count[lane++];
            const std::uint16_t cand = cand_of(generated_frontier_)[lane * lane_run + k];
            candidates_used_ = generated_frontier_ * chunk_size + cand + 1;
        }
        ++generated_frontier_;
    }
}

void tBlock_run::tried(long long chunk, const tMC_hits& hits, long fallbacks)
{
    slot_of(chunk).tried = true;
    hits_.low += hits.low;
    hits_.dev += hits.dev;
    hits_.pair += hits.pair;
    fallbacks_.trials += fallbacks;
    for (;;) {
        tSlot& slot = slot_of(tried_frontier_);
        if (slot.chunk != tried_frontier_ || !slot.tried)
            break;
        slot.chunk = -1;
        ++tried_frontier_;
    }
}

} // namespace mc_blocks
