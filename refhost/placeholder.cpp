// Filled in by the reference host services.
