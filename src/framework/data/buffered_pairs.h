// BufferedPairsClass: pairs of fields (left, right) with a saved copy of the left
// values. A relation keeps its linking fields in one: left = this table's field, right
// = the related table's. The saved copy is taken per procedure thread (record buffers
// are per thread), so two threads changing records of the same table keep their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/data/field_value.h"

namespace kw {

class BufferedPairsClass {
  public:
    struct Pair {
        FieldRef Left;
        FieldRef Right;
    };

    void AddPair(const FieldRef& Left, const FieldRef& Right);
    std::size_t Count() const { return pairs_.size(); }
    const std::vector<Pair>& Pairs() const { return pairs_; }

    void AssignLeftToRight();
    void AssignRightToLeft();
    // Saves the left values (the "buffer" side).
    void AssignLeftToBuffer();
    // Puts the saved values back into the left fields; nothing when none are saved.
    void AssignBufferToLeft();
    // Copies the saved values into the right fields; nothing when none are saved.
    void AssignBufferToRight();
    void ClearLeft();
    void ClearRight();

    bool EqualLeftRight() const;
    // Whether the left fields still hold the saved values (true when none are saved:
    // nothing is known to have changed).
    bool EqualLeftBuffer() const;
    // Whether the right fields hold the saved values (false when none are saved).
    bool EqualRightBuffer() const;
    bool HasBuffer() const;

  private:
    // The calling thread's saved left values; nullptr when none (mu_ held).
    const std::vector<std::string>* saved() const;

    std::vector<Pair> pairs_;
    mutable std::mutex mu_;
    std::map<int32_t, std::vector<std::string>> buffers_;  // by procedure thread
};

}  // namespace kw
