module task_m(input clk, input [7:0] a, output reg [7:0] y);
  task bump(input [7:0] v, output [7:0] r); r = v + 8'd3; endtask
  reg [7:0] t;
  always @(posedge clk) begin bump(a, t); y <= t; end
endmodule
