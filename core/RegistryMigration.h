// Older versions kept one subkey per channel directly under
// HKCU\SOFTWARE\tidelight; channels now live under its "Channels" subkey.
#pragma once

// Moves every old channel subkey under "Channels" once, when "Channels" does
// not exist yet. "Downloads" stays where it is.
void MigrateRegistryLayout();
