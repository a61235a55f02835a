# Started by the START softkey of the spindle menu.
print("spindle start")
