#!/usr/bin/python3
"""The QGIS figure for BM_PointMarkers: the peer script's plain-marker render of the same points
(random.Random(42), 100 km square, EPSG:3857, grey 1 mm circles, 2000 px at 96 dpi), timed in
wall and in process CPU seconds (the machine may be shared; CPU time is the fair comparison).

  QT_QPA_PLATFORM=offscreen /usr/bin/python3 bench/qgis_markers_peer.py PEER_SCRIPT N [OUT.png]

PEER_SCRIPT is qgis_diagrams_bench.py of the peer benchmark; prints one JSON line.
"""
import importlib.util
import json
import sys
import time

loader_of_peer = importlib.util.spec_from_file_location("peer", sys.argv[1])
peer = importlib.util.module_from_spec(loader_of_peer)
loader_of_peer.loader.exec_module(peer)
n = int(sys.argv[2])
out = sys.argv[3] if len(sys.argv) > 3 else ""

app = peer.QgsApplication([], False)
peer.QgsApplication.setPrefixPath("/usr", True)
peer.QgsApplication.initQgis()
warm = peer.build_layer(10, seed=1)
wms = peer.map_settings(warm)
wms.setOutputSize(peer.QSize(64, 64))
peer.render(wms, "seq")

layer = peer.build_layer(n)
settings = peer.map_settings(layer)
renders = []
for _ in range(3):
    cpu0 = time.process_time()
    wall, _, image, errors = peer.render(settings, "seq")
    renders.append((wall, time.process_time() - cpu0))
if out:
    image.save(out, "PNG")
renders.sort()
wall, cpu = renders[1]
print(json.dumps({"qgis": peer.Qgis.QGIS_VERSION, "n": n, "render_wall_s": round(wall, 3),
                  "render_cpu_s": round(cpu, 3), "errors": errors}), flush=True)
peer.QgsApplication.exitQgis()
