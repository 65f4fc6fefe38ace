"""Prints, as JSON, what screen readers find of the running programs over AT-SPI: for every
accessible object its application, role, name, description, states and depth. Needs
python3-pyatspi; the accessibility bus is found through the session bus of the environment.

With --press NAME it instead presses the first push button of that name that shows, as a screen
reader user does, and prints whether it found one ("pressed" or "none").
"""

import json
import sys

import pyatspi

MAX_DEPTH = 12
MAX_CHILDREN = 300


def press(name):
    def find(node, depth):
        try:
            if (node.getRoleName() == "push button" and node.name == name and
                    node.getState().contains(pyatspi.STATE_SHOWING)):
                return node
            children = [node.getChildAtIndex(i) for i in range(min(node.childCount,
                                                                   MAX_CHILDREN))]
        except Exception:  # an object that went while it was read
            return None
        for child in children if depth < MAX_DEPTH else []:
            hit = child is not None and find(child, depth + 1)
            if hit:
                return hit
        return None

    for application in pyatspi.Registry.getDesktop(0):
        button = application is not None and find(application, 0)
        if button:
            button.queryAction().doAction(0)
            print("pressed")
            return
    print("none")


def main():
    if sys.argv[1:2] == ["--press"]:
        press(sys.argv[2])
        return
    found = []

    def walk(node, application, depth):
        try:
            found.append({"application": application, "role": node.getRoleName(),
                          "name": node.name, "description": node.description, "depth": depth,
                          "states": [pyatspi.stateToString(state)
                                     for state in node.getState().getStates()]})
            children = [node.getChildAtIndex(i) for i in range(min(node.childCount,
                                                                   MAX_CHILDREN))]
        except Exception:  # an object that went while it was read
            return
        if depth < MAX_DEPTH:
            for child in children:
                if child is not None:
                    walk(child, application, depth + 1)

    for application in pyatspi.Registry.getDesktop(0):
        if application is not None:
            walk(application, application.name, 0)
    json.dump(found, sys.stdout)


if __name__ == "__main__":
    main()
