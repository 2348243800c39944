#pragma once

#include <algorithm>
#include <memory>
#include <vector>

namespace platform {

// The objects of `refs` that still live, in order; drops the references to those that do not.
// For registries that hand out owning tokens and keep only weak references themselves.
template <typename T> std::vector<std::shared_ptr<T>> liveReferences(std::vector<std::weak_ptr<T>>& refs) {
    std::erase_if(refs, [](const std::weak_ptr<T>& ref) { return ref.expired(); });
    std::vector<std::shared_ptr<T>> result;
    for (const auto& ref : refs)
        if (auto strong = ref.lock())
            result.push_back(std::move(strong));
    return result;
}

} // namespace platform
