#include "memory/address_index.h"

#include <functional>

namespace {

std::size_t hashOf(std::string_view address) {
    return std::hash<std::string_view>()(address);
}

} // namespace

void AddressIndex::reserve(std::size_t pages) {
    std::size_t size = 16;
    while (size < 2 * pages)
        size *= 2;
    if (size > slots_.size())
        rehash(size);
}

std::uint32_t AddressIndex::add(std::string_view address) {
    const auto number = std::uint32_t(spans_.size());
    spans_.push_back({std::uint32_t(text_.size()), std::uint32_t(address.size())});
    text_.append(address);
    if (2 * spans_.size() > slots_.size())
        rehash(slots_.empty() ? 16 : 2 * slots_.size());
    else
        place(number, hashOf(address));
    return number;
}

std::uint32_t AddressIndex::find(std::string_view address) const {
    if (spans_.empty())
        return kNone;
    const std::size_t hash = hashOf(address);
    const std::uint64_t tag = hash >> 32;
    for (std::size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
        const std::uint64_t slot = slots_[at];
        if (slot == 0)
            return kNone;
        const auto number = std::uint32_t(slot) - 1;
        if ((slot >> 32) == tag && this->address(number) == address)
            return number;
    }
}

std::string_view AddressIndex::address(std::uint32_t number) const {
    return std::string_view(text_).substr(spans_[number].first, spans_[number].second);
}

void AddressIndex::place(std::uint32_t number, std::size_t hash) {
    std::size_t at = hash & (slots_.size() - 1);
    while (slots_[at] != 0)
        at = (at + 1) & (slots_.size() - 1);
    slots_[at] = (std::uint64_t(hash >> 32) << 32) | (number + 1);
}

// Places every address again, the one just added among them, in a table of size slots.
void AddressIndex::rehash(std::size_t size) {
    slots_.assign(size, 0);
    for (std::uint32_t number = 0; number < spans_.size(); ++number)
        place(number, hashOf(address(number)));
}
