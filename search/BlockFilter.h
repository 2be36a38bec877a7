#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace veloria::search {

// Which stretches of a volume's search forms can hold a set of patterns at all, so that the scan
// reads only those. The rows are cut into blocks of whole rows of about blockBytes each; for
// every block the filter notes, in a small bit set, the words that follow a "#" there: each word
// closed by the next "#", and the first four letters of every word. A pattern names the words it
// needs: "#SAYS#" the word SAYS, "#SAYS" a word that begins with SAYS, "#IS#LOVE#" the words IS
// and LOVE. A block lacking one cannot hold a row with the pattern and is skipped.
//
// The bit sets are Bloom filters: a word sets three bits out of 2^bucketBits, so a block may be let
// through that lacks it, but never left out that has it. The hits stay exactly those of a plain
// scan. The bits are kept per group of 64 blocks, one bit a block, so that testing a word is an
// AND per 64 blocks; each group hashes differently, so that a word whose bits collide with those
// of a word found everywhere is not let through everywhere.
//
// Built when the volume is read, from the forms as they are: nothing is stored or left for the
// user to build.
class BlockFilter {
  public:
    static constexpr std::size_t kBlockBytes = 1024;
    static constexpr int kBucketBits = 10;  // bits per block: an eighth of the block's bytes

    BlockFilter() = default;
    // text: the rows end to end, each followed by its '\0'; starts: where each row begins, and
    // text.size() last.
    BlockFilter(std::string_view text, const std::vector<std::uint32_t>& starts,
                std::size_t blockBytes = kBlockBytes, int bucketBits = kBucketBits);

    // The rows it was built over; 0 when it was not.
    int RowCount() const { return rows_; }
    int BlockCount() const { return int(firstRows_.size()) - 1; }
    // Block b holds the rows [FirstRow(b), FirstRow(b + 1)).
    int FirstRow(int block) const { return int(firstRows_[std::size_t(block)]); }

    // One bit per block, 64 to a word: clear for the blocks that cannot hold a row holding every
    // pattern. A pattern without a "#" (or holding a '\0') restricts nothing.
    std::vector<std::uint64_t> Candidates(const std::vector<std::string>& patterns) const;

    // The memory it takes.
    std::size_t Bytes() const;

  private:
    int rows_ = 0;
    int bucketBits_ = kBucketBits;
    std::vector<std::uint32_t> firstRows_;
    // bits_[group << bucketBits_ | bucket]: bit j set when block 64 * group + j sets the bucket.
    std::vector<std::uint64_t> bits_;
};

}  // namespace veloria::search
