// TFountainChangeList: the fountain's change-notification list. Editors that
// use a fountain subscribe to it and repaint when a colour, bracket or word
// changes; they also learn when the fountain goes away.
#pragma once

#include <functional>
#include <memory>
#include <vector>

namespace korvel {

class TFountainChangeList;

// One subscription; unsubscribes when destroyed, safely even after the list is gone.
class TFountainSubscription {
public:
    TFountainSubscription() = default;
    TFountainSubscription(TFountainSubscription&& other) noexcept;
    TFountainSubscription& operator=(TFountainSubscription&& other) noexcept;
    TFountainSubscription(const TFountainSubscription&) = delete;
    TFountainSubscription& operator=(const TFountainSubscription&) = delete;
    ~TFountainSubscription();

    // Ends the subscription now; later notifications no longer reach it.
    void Reset() noexcept;

private:
    friend class TFountainChangeList;
    struct TState;
    TFountainSubscription(std::weak_ptr<TState> state, int id) : FState(std::move(state)), FId(id) { }
    std::weak_ptr<TState> FState;
    int FId = 0;
};

class TFountainChangeList {
public:
    TFountainChangeList();
    // Tells every subscriber that the list's owner is going away.
    ~TFountainChangeList();
    TFountainChangeList(const TFountainChangeList&) = delete;
    TFountainChangeList& operator=(const TFountainChangeList&) = delete;

    // Registers onChange (called on every change) and onDestroy (called once when the owner dies).
    [[nodiscard]] TFountainSubscription Subscribe(std::function<void()> onChange, std::function<void()> onDestroy = {});
    // Calls every subscriber's change callback; subscribers may unsubscribe meanwhile.
    void Notify() const;
    // The number of live subscriptions.
    int Count() const noexcept;

private:
    std::shared_ptr<TFountainSubscription::TState> FState;
};

} // namespace korvel
