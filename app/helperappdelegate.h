#pragma once

#include <QObject>

#include <functional>

class HelperManager;

// Brings the agent up once the application has finished launching.
class HelperAppDelegate final : public QObject {
    Q_OBJECT

public:
    using ManagerAccess = std::function<HelperManager&()>;

    // `sharedManager` yields the process's one manager, creating it on first use.
    explicit HelperAppDelegate(ManagerAccess sharedManager);

    HelperManager* helperManager() const { return m_helperManager; }

    // Runs once the application's event loop has started.
    void applicationDidFinishLaunching();

private:
    ManagerAccess m_sharedManager;
    HelperManager* m_helperManager = nullptr;
};
