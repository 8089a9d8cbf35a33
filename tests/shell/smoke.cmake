# Smoke tests of the real executable (they need the simulated board).
