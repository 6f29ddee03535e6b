"""python3 -m gorvan_plan: the same command line as gorvan-plan."""

import sys

from .cli import main

if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
