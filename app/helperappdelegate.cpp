#include "app/helperappdelegate.h"

HelperAppDelegate::HelperAppDelegate(ManagerAccess sharedManager)
    : m_sharedManager(std::move(sharedManager)) {}

void HelperAppDelegate::applicationDidFinishLaunching() {
    m_helperManager = &m_sharedManager();
}
