# Started by the flush softkey of the coolant menu with its parameter.
import sys
print("coolant flush", sys.argv[1:])
