#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

// An object's "about to change" announcement that views subscribe to.
class ChangeSignal final {
public:
    using Subscription = std::size_t;

    Subscription subscribe(std::function<void()> observer) {
        m_observers.emplace_back(++m_lastSubscription, std::move(observer));
        return m_lastSubscription;
    }

    void unsubscribe(Subscription subscription) {
        std::erase_if(m_observers,
                      [subscription](const auto& entry) { return entry.first == subscription; });
    }

    void send() const {
        // A copy, so that observers may subscribe or unsubscribe while being notified.
        const auto observers = m_observers;
        for (const auto& [subscription, observer] : observers) {
            observer();
        }
    }

private:
    std::vector<std::pair<Subscription, std::function<void()>>> m_observers;
    Subscription m_lastSubscription = 0;
};

// A value whose every assignment announces itself on its owner's signal before it is stored.
template <typename T>
class Published final {
public:
    Published(const ChangeSignal& owner, T initial) : m_owner(owner), m_value(std::move(initial)) {}

    const T& get() const { return m_value; }

    Published& operator=(T value) {
        m_owner.send();
        m_value = std::move(value);
        return *this;
    }

private:
    const ChangeSignal& m_owner;
    T m_value;
};

// A two-way handle to a value owned elsewhere.
template <typename T>
struct Binding {
    std::function<T()> get;
    std::function<void(T)> set;

    // A binding that always reads `value` and ignores writes.
    static Binding constant(T value) {
        return {[value] { return value; }, [](T) {}};
    }
};

// View state: a value with a projected binding; changing it announces nothing on its owner.
template <typename T>
class StateCell final {
public:
    explicit StateCell(T initial) : m_value(std::move(initial)) {}

    const T& get() const { return m_value; }
    void set(T value) { m_value = std::move(value); }
    Binding<T> binding() {
        return {[this] { return m_value; }, [this](T value) { m_value = std::move(value); }};
    }

private:
    T m_value;
};
