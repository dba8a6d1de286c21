"""The strength report's parts (scripts/strength_report.py): its tournaments,
the order it plays them in, and the page it writes from them."""
