#!/usr/bin/python3
"""What assistive technology learns of the control named Check1 in a
running program, read through AT-SPI: one line,
"WINDOW<TAB>ROLE<TAB>checked|unchecked", with the name of the program's first
window. Waits for the program to join the accessibility bus; prints nothing
if it never does, and "WINDOW<TAB>-<TAB>-" if it has no Check1.
usage: atspi_check1.py APPLICATION_NAME"""
import sys
import time

import pyatspi


def find_application(name):
    for _ in range(100):
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == name and application.childCount > 0:
                return application
        time.sleep(0.1)
    return None


application = find_application(sys.argv[1])
if application is None:
    sys.exit(1)
window = application.getChildAtIndex(0)
check1 = pyatspi.findDescendant(window, lambda node: node.name == "Check1")
if check1 is None:
    print(f"{window.name}\t-\t-")
    sys.exit(0)
role = str(pyatspi.Role(int(check1.getRole()))).removeprefix("ROLE_")
checked = check1.getState().contains(pyatspi.STATE_CHECKED)
print(f"{window.name}\t{role}\t{'checked' if checked else 'unchecked'}")
