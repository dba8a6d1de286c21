"""Plays a draw to the tee with the curling package installed from its wheel
(pip install curling-*.whl) and prints where the stone comes to rest."""
import curling

shot = curling.create_shot(*curling.TEE, 1)
after = curling.simulate(curling.GameState(), shot, error=0.0, seed=7)
x, y = after.stones[0]
print(f"curling {curling.__version__}: the draw rests at ({x:.3f}, {y:.3f})")
