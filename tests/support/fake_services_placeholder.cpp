// Keeps the fake services library non-empty while no fake service exists.
