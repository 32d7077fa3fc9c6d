#!/usr/bin/env python3
"""Prints one line for a test suite, `<suite>: N passed, N failed`, from the GoogleTest
result files a ctest run left in <build>/test-results, plus the ctest tests that left none
(fixtures, script tests) counted from ctest's own log. Exits 1 when anything failed."""
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path


def main() -> int:
    suite, build = sys.argv[1], Path(sys.argv[2])
    passed = failed = 0
    for result in sorted((build / "test-results").glob("*.xml")):
        try:
            root = ET.parse(result).getroot()
        except ET.ParseError:
            print(f"{suite}: unreadable result file {result.name}")
            failed += 1
            continue
        for case in root.iter("testcase"):
            if case.get("result", "completed") == "skipped" or case.get("status") == "notrun":
                continue
            if case.find("failure") is not None or case.find("error") is not None:
                failed += 1
                print(f"{suite}: FAILED {case.get('classname')}.{case.get('name')}")
            else:
                passed += 1
    # Test executables that crashed leave no result file: ctest's log names them.
    log = build / "Testing" / "Temporary" / "LastTestsFailed.log"
    if log.exists():
        for line in log.read_text().splitlines():
            name = line.split(":", 1)[-1]
            if not (build / "test-results" / f"{name}.xml").exists():
                failed += 1
                print(f"{suite}: FAILED {name} (no results: crashed, timed out or a script test)")
    print(f"{suite}: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
