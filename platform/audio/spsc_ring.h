#pragma once
// A queue of at most N items between exactly two threads: one producer pushes,
// one consumer reads and pops. Neither side locks, waits or allocates: the
// slots are a fixed array inside the ring.
//
// Memory ordering. Each side writes one counter and only reads the other's.
// The producer fills a slot, then stores `tail_` with release; the consumer
// loads `tail_` with acquire before it reads the slots below it, so it sees
// each item whole. The consumer is done with a slot before it stores `head_`
// with release; the producer loads `head_` with acquire before it fills a
// slot again, so it never overwrites what is still being read. The counters
// only grow (64 bits do not wrap); an item's slot is its counter modulo N.
//
// Parking. A consumer that has read every item and from then on leaves alone
// something it shares with the producer (the mixer's voice leaves its rate
// converter) may park the ring: a compare-exchange that marks `tail_` only
// while nothing new has been pushed. The producer's push then fails its own
// compare-exchange, finds the mark, does what it needs with the shared thing
// (the consumer is away until it sees the next item) and publishes the item,
// which clears the mark. Either the push or the parking wins, never both.

#include <atomic>
#include <array>
#include <cstddef>
#include <cstdint>

namespace earloop {

template <typename T, std::size_t N>
class SpscRing {
public:
    SpscRing() = default;
    // A copy would be a second producer or consumer.
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    // --- for the producer only ---

    // Queues `item` and returns true, or returns false when the ring is full.
    // Should the consumer have parked, `whileParked()` runs first.
    template <typename WhileParked>
    bool TryPush(const T& item, WhileParked&& whileParked) {
        if (pushed_ - head_.load(std::memory_order_acquire) == N) return false;
        slots_[pushed_ % N] = item;
        std::uint64_t expected = pushed_;
        // Release publishes the slot; acquire on failure makes everything the
        // consumer did before parking visible to whileParked.
        if (!tail_.compare_exchange_strong(expected, pushed_ + 1, std::memory_order_release,
                                           std::memory_order_acquire)) {
            whileParked();
            tail_.store(pushed_ + 1, std::memory_order_release);
        }
        ++pushed_;
        return true;
    }
    bool TryPush(const T& item) {
        return TryPush(item, [] {});
    }
    // Items pushed since the ring was made.
    std::uint64_t Pushed() const { return pushed_; }

    // --- for the consumer only ---

    // Items pushed so far: those from Popped() up to this may be read.
    std::uint64_t Available() const { return tail_.load(std::memory_order_acquire) & ~kParked; }
    // The item counted `index`, Popped() <= index < Available().
    const T& At(std::uint64_t index) const { return slots_[index % N]; }
    std::uint64_t Popped() const { return popped_; }
    // Gives every item below `index` back to the producer.
    void PopUntil(std::uint64_t index) {
        popped_ = index;
        head_.store(index, std::memory_order_release);
    }
    // Parks the ring if `available` (a value of Available()) is still all
    // there is; false when the producer has pushed since. Release hands over
    // what the consumer did; acquire on failure, for reading the new items.
    bool TryPark(std::uint64_t available) {
        return tail_.compare_exchange_strong(available, available | kParked, std::memory_order_release,
                                             std::memory_order_acquire);
    }

private:
    static constexpr std::uint64_t kParked = std::uint64_t{1} << 63;

    std::array<T, N> slots_{};
    alignas(64) std::atomic<std::uint64_t> tail_{0};  // the producer's, but for the consumer's parking mark
    std::uint64_t pushed_ = 0;                        // the producer's own copy of tail_, unmarked
    alignas(64) std::atomic<std::uint64_t> head_{0};  // the consumer's
    std::uint64_t popped_ = 0;                        // the consumer's own copy of head_
};

}  // namespace earloop
