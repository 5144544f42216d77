// Keeps the app library non-empty while the windows are being built.
