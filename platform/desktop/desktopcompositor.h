#pragma once

// Whether the desktop blends translucent windows; without a compositor their transparent parts
// would show as black and must be cut away instead.
bool desktopComposites();
