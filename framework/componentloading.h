// Internal to the framework: how the reader makes a component see csLoading
// from inside its constructor. The reader arms the flag right before it
// calls a class factory; the first TComponent constructor on this thread
// takes it. The guard disarms it again, whatever the factory did.
#pragma once

namespace component_loading {

bool TakeConstructionFlag();

class ConstructionGuard {
public:
    ConstructionGuard();
    ~ConstructionGuard();
    ConstructionGuard(const ConstructionGuard&) = delete;
    ConstructionGuard& operator=(const ConstructionGuard&) = delete;
};

} // namespace component_loading
