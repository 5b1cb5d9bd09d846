#!/usr/bin/python3
"""Draws docs/python.png, the plot of the README's "From Python": the hourly
means of atelier_nord.pdb's phase voltages and of one current, with the outage.

    PYTHONPATH=build/python /usr/bin/python3 docs/python_plot.py

Needs matplotlib (Debian: python3-matplotlib) besides pandas.
"""
from pathlib import Path

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import viduravare  # noqa: E402

HERE = Path(__file__).resolve().parent

rec = viduravare.read(HERE.parent / "samples" / "atelier_nord.pdb")
df = rec.to_pandas()
hourly = df.resample("1h").mean()

fig, volts = plt.subplots(figsize=(9, 4.5), dpi=100)
for phase in ("Ph 1", "Ph 2", "Ph 3"):
    volts.plot(hourly.index, hourly["Phase voltages", phase, "Volts"], label=phase)
volts.set_ylabel("V (hourly mean)")
amps = volts.twinx()
amps.plot(hourly.index, hourly["Module 00012345", "I1", ""], color="black", linestyle="--",
          label="I1 (00012345)")
amps.set_ylabel("A (hourly mean)")
for time, seconds in rec.outages:
    volts.axvline(time, color="red", alpha=0.4)
    volts.annotate(f"outage {seconds:.2f} s", (time, volts.get_ylim()[1]), color="red",
                   xytext=(4, -14), textcoords="offset points")
lines = volts.get_legend_handles_labels()
more = amps.get_legend_handles_labels()
volts.legend(lines[0] + more[0], lines[1] + more[1], loc="lower center",
             bbox_to_anchor=(0.4, 0.02), ncol=4, fontsize="small")
volts.set_title(f"{rec.name} ({rec.serial}): hourly means")
fig.autofmt_xdate()
fig.tight_layout()
fig.savefig(HERE / "python.png")
