// Placeholder translation unit for a layer that has no code of its own yet.
