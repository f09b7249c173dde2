[Move]
To=D:\Apps
From=C:\Program Files\Tool

