"""The performance report's parts (scripts/performance_report.py): its
measurements, its profile of the hot spots, its targets and its page."""
