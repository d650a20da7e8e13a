#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rom/FileIo.h"
#include "rom/Result.h"

namespace varn {

class RomStream;

// One write to the image: the bytes and where they go.
struct ImageWrite {
    std::uint64_t offset = 0;
    std::vector<std::uint8_t> bytes;

    friend bool operator==(const ImageWrite&, const ImageWrite&) = default;
};

// The writes of one change to the image, collected before any of them reaches it and then
// made together. Every write is checked to lie wholly inside the image before the first one is
// made, so a change that does not fit leaves the image as it was. The writes are made in the
// order they were added: where two overlap, the later one's bytes stay. The check uses the
// image's size at the time the plan is written; a command that lengthens the image does so
// before it writes the plan.
class WritePlan {
public:
    void add(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    void add(std::uint64_t offset, std::vector<std::uint8_t>&& bytes);
    void add(std::uint64_t offset, std::uint8_t byte);
    // Adds the writes of `other` after these, in their order.
    void append(const WritePlan& other);

    const std::vector<ImageWrite>& writes() const { return writes_; }
    bool empty() const { return writes_.empty(); }
    std::size_t size() const { return writes_.size(); }

    // The index of the first write that does not lie wholly inside `image` (an offset and size
    // that run past the largest offset count as outside); nullopt when every write does.
    std::optional<std::size_t> firstOutside(const RomStream& image) const;

    // Reads `out.size()` bytes at `offset` as the image will hold them once the writes planned
    // so far are made; false, with nothing promised about `out`, when the range does not lie
    // inside the image or the read fails.
    bool readAsPlanned(RomStream& image, std::uint64_t offset, std::span<std::uint8_t> out) const;

    // The message of a refused write, made from its index in writes().
    using RefusalMessage = std::function<std::string(std::size_t index)>;

    // Makes the writes in order. Fails with `outside(i)` for the first write i that does not
    // lie inside the image, before anything is written; then with `failed(i)` for the first
    // write the stream does not make (a read-only stream refuses the first), the writes before
    // it made. An empty plan writes nothing and succeeds.
    Status writeTo(RomStream& image, const RefusalMessage& outside,
                   const RefusalMessage& failed) const;

    // The same with one message for every write outside the image and one for every write the
    // stream does not make.
    Status writeTo(RomStream& image, std::string_view outsideMessage,
                   std::string_view failedMessage = kCannotWriteFileMessage) const;

private:
    std::vector<ImageWrite> writes_;
};

} // namespace varn
