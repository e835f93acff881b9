#include "highlight/FountainChangeList.h"

#include <algorithm>

namespace korvel {

struct TFountainSubscription::TState {
    struct TEntry {
        int Id;
        std::function<void()> OnChange;
        std::function<void()> OnDestroy;
    };
    int NextId = 1;
    std::vector<TEntry> Entries;

    bool Has(int id) const
    {
        return std::any_of(Entries.begin(), Entries.end(), [id](const TEntry& e) { return e.Id == id; });
    }
    void Remove(int id)
    {
        Entries.erase(std::remove_if(Entries.begin(), Entries.end(), [id](const TEntry& e) { return e.Id == id; }),
            Entries.end());
    }
};

TFountainSubscription::TFountainSubscription(TFountainSubscription&& other) noexcept
    : FState(std::move(other.FState)), FId(other.FId)
{
    other.FState.reset();
    other.FId = 0;
}

TFountainSubscription& TFountainSubscription::operator=(TFountainSubscription&& other) noexcept
{
    if (this != &other) {
        Reset();
        FState = std::move(other.FState);
        FId = other.FId;
        other.FState.reset();
        other.FId = 0;
    }
    return *this;
}

TFountainSubscription::~TFountainSubscription()
{
    Reset();
}

void TFountainSubscription::Reset() noexcept
{
    if (auto state = FState.lock())
        state->Remove(FId);
    FState.reset();
    FId = 0;
}

TFountainChangeList::TFountainChangeList() : FState(std::make_shared<TFountainSubscription::TState>()) { }

TFountainChangeList::~TFountainChangeList()
{
    // Subscribers may drop their subscriptions from the callback; work on a copy.
    const auto entries = FState->Entries;
    for (const auto& entry : entries) {
        if (entry.OnDestroy && FState->Has(entry.Id))
            entry.OnDestroy();
    }
}

TFountainSubscription TFountainChangeList::Subscribe(std::function<void()> onChange, std::function<void()> onDestroy)
{
    const int id = FState->NextId++;
    FState->Entries.push_back({id, std::move(onChange), std::move(onDestroy)});
    return TFountainSubscription(FState, id);
}

void TFountainChangeList::Notify() const
{
    if (FState->Entries.empty())
        return;
    // Keep the state alive and iterate over a copy: a callback may subscribe or unsubscribe.
    const auto state = FState;
    const auto entries = state->Entries;
    for (const auto& entry : entries) {
        if (entry.OnChange && state->Has(entry.Id))
            entry.OnChange();
    }
}

int TFountainChangeList::Count() const noexcept
{
    return int(FState->Entries.size());
}

} // namespace korvel
