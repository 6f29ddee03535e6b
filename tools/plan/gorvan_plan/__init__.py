"""gorvan-plan: sweeps a sampling design over a grid of settings, runs gorvan on
every setting and reports each test's power with its interval (see cli.py)."""
